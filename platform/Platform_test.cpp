#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/TestUtil.h"

using testutil::CTempDir;

namespace {
#ifdef _WIN32
constexpr const char* SCRIPT_EXIT_3 = "@echo off\r\necho %1> seen.txt\r\nexit /b 3\r\n";
#else
constexpr const char* SCRIPT_EXIT_3 = "echo \"$1\" > seen.txt\nexit 3\n";
#endif
}  // namespace

TEST(PlatformFile, WritesThenReadsBackWithLengthAndPosition) {
    CTempDir dir;
    platform::CFile file;
    ASSERT_TRUE(file.Open((dir / "f.bin").c_str(), platform::FileMode::CreateWrite));
    EXPECT_TRUE(file.Write("abcdef", 6));
    EXPECT_EQ(6u, file.Position());
    EXPECT_TRUE(file.Close());
    ASSERT_TRUE(file.Open((dir / "f.bin").c_str(), platform::FileMode::Read));
    EXPECT_EQ(6u, file.Length());
    char buffer[8] = {};
    EXPECT_TRUE(file.Seek(2));
    EXPECT_EQ(4u, file.Read(buffer, 8));  // short at the end of the file
    EXPECT_EQ(std::string("cdef"), buffer);
}

TEST(PlatformFile, CreateWriteTruncatesAnExistingFile) {
    CTempDir dir;
    testutil::WriteFile(dir / "f.bin", "old content");
    platform::CFile file;
    ASSERT_TRUE(file.Open((dir / "f.bin").c_str(), platform::FileMode::CreateWrite));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ("", testutil::ReadFile(dir / "f.bin"));
}

TEST(PlatformFile, OperationsOnAClosedOrMissingFileFail) {
    CTempDir dir;
    platform::CFile file;
    EXPECT_FALSE(file.Open((dir / "missing").c_str(), platform::FileMode::Read));
    EXPECT_FALSE(file.Write("x", 1));
    char c;
    EXPECT_EQ(0u, file.Read(&c, 1));
    EXPECT_TRUE(file.Close());  // closing a closed file is harmless
}

TEST(PlatformFile, WriteFaultSeamCutsWritesAtTheBudget) {
    CTempDir dir;
    platform::CFile file;
    ASSERT_TRUE(file.Open((dir / "f.bin").c_str(), platform::FileMode::CreateWrite));
    platform::FailWritesAfter(4);
    EXPECT_TRUE(file.Write("ab", 2));
    EXPECT_FALSE(file.Write("cdef", 4));
    EXPECT_FALSE(file.Write("g", 1));
    platform::FailWritesAfter(-1);
    EXPECT_TRUE(file.Write("h", 1));
    file.Close();
    EXPECT_EQ("abcdh", testutil::ReadFile(dir / "f.bin"));
}

TEST(PlatformFiles, RenameOverReplacesAnExistingTarget) {
    CTempDir dir;
    testutil::WriteFile(dir / "new", "new");
    testutil::WriteFile(dir / "target", "old");
    EXPECT_TRUE(platform::RenameOver((dir / "new").c_str(), (dir / "target").c_str()));
    EXPECT_EQ("new", testutil::ReadFile(dir / "target"));
    EXPECT_FALSE(platform::FileExists((dir / "new").c_str()));
    EXPECT_FALSE(platform::FileExists(dir.Path().string().c_str()));  // a directory is no file
}

// A reader holding the target (a game loading the database with fopen) delays the replace on
// Windows, where such a file cannot be renamed over; it must not fail it.
TEST(PlatformFiles, RenameOverWaitsForAReaderThatHoldsTheTarget) {
    CTempDir dir;
    testutil::WriteFile(dir / "new", "new");
    testutil::WriteFile(dir / "target", "old");
    std::FILE* pReader = std::fopen((dir / "target").c_str(), "rb");
    ASSERT_NE(nullptr, pReader);
    std::thread closer([pReader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        std::fclose(pReader);
    });
    const bool bRenamed = platform::RenameOver((dir / "new").c_str(), (dir / "target").c_str());
    closer.join();
    EXPECT_TRUE(bRenamed) << platform::ErrorText(platform::LastError());
    EXPECT_EQ("new", testutil::ReadFile(dir / "target"));
}

// The whole file or nothing: a failed write or rename keeps the old file, and no temporary stays.
TEST(PlatformFiles, WriteThroughTemporaryReplacesOnlyWhenEveryStepSucceeds) {
    CTempDir dir;
    const std::string strTarget = dir / "target";
    testutil::WriteFile(strTarget, "old");
    const auto writeText = [](const char* pszText, bool bResult) {
        return [pszText, bResult](const char* pszTemp) {
            testutil::WriteFile(pszTemp, pszText);
            return bResult;
        };
    };
    std::vector<bool> failures;
    const auto noteFailure = [&failures](bool bRenaming) { failures.push_back(bRenaming); };

    EXPECT_FALSE(platform::WriteThroughTemporary(strTarget, writeText("half", false), noteFailure));
    EXPECT_EQ("old", testutil::ReadFile(strTarget));
    EXPECT_FALSE(platform::FileExists((strTarget + ".tmp").c_str()));
    EXPECT_EQ(std::vector<bool>{false}, failures);

    EXPECT_TRUE(platform::WriteThroughTemporary(strTarget, writeText("new", true), noteFailure));
    EXPECT_EQ("new", testutil::ReadFile(strTarget));
    EXPECT_FALSE(platform::FileExists((strTarget + ".tmp").c_str()));
    EXPECT_EQ(std::vector<bool>{false}, failures);

    // A directory in the target's place cannot be renamed over.
    const std::string strFolder = dir / "folder";
    std::filesystem::create_directories(std::filesystem::path(strFolder) / "inside");
    EXPECT_FALSE(platform::WriteThroughTemporary(strFolder, writeText("x", true), noteFailure));
    EXPECT_TRUE(std::filesystem::is_directory(strFolder));
    EXPECT_FALSE(platform::FileExists((strFolder + ".tmp").c_str()));
    EXPECT_EQ((std::vector<bool>{false, true}), failures);
}

TEST(PlatformMapping, MapsAFileAndRefusesAnEmptyOne) {
    CTempDir dir;
    testutil::WriteFile(dir / "data", "mapped");
    testutil::WriteFile(dir / "empty", "");
    platform::Handle hFile = platform::INVALID_HANDLE, hMapping = platform::INVALID_HANDLE;
    std::uint64_t nSize = 0;
    const std::uint8_t* pData = nullptr;
    ASSERT_TRUE(platform::OpenForMapping((dir / "data").c_str(), hFile));
    ASSERT_TRUE(platform::FileSize(hFile, nSize));
    ASSERT_TRUE(platform::CreateReadOnlyMapping(hFile, nSize, hMapping));
    ASSERT_TRUE(platform::MapView(hMapping, hFile, nSize, pData));
    EXPECT_EQ("mapped", std::string(reinterpret_cast<const char*>(pData), nSize));
    platform::UnmapView(pData, nSize);
    platform::CloseMapping(hMapping);
    platform::CloseFileHandle(hFile);

    ASSERT_TRUE(platform::OpenForMapping((dir / "empty").c_str(), hFile));
    ASSERT_TRUE(platform::FileSize(hFile, nSize));
    EXPECT_EQ(0u, nSize);
    EXPECT_FALSE(platform::CreateReadOnlyMapping(hFile, nSize, hMapping));
    platform::CloseFileHandle(hFile);
    EXPECT_FALSE(platform::OpenForMapping((dir / "missing").c_str(), hFile));
}

TEST(PlatformProcess, ScriptRunsInTheCurrentDirectoryWithItsArgument) {
    CTempDir dir;
    testutil::CCurrentDirectory current(dir.Path());
    testutil::WriteFile(dir / "Job.bat", SCRIPT_EXIT_3);
    int nExitCode = 0;
    ASSERT_TRUE(platform::RunScriptAndWait("Job.bat", "argument", nExitCode));
    EXPECT_EQ(3, nExitCode);
    EXPECT_NE(std::string::npos, testutil::ReadFile(dir / "seen.txt").find("argument"));
}

TEST(PlatformProcess, MissingScriptCannotBeStarted) {
    CTempDir dir;
    testutil::CCurrentDirectory current(dir.Path());
    int nExitCode = 0;
    EXPECT_FALSE(platform::RunScriptAndWait("Missing.bat", "x", nExitCode));
    // Callers tell "nowhere" apart from other failures, and say it in words.
    EXPECT_TRUE(platform::IsNotFoundError(platform::LastError()));
    EXPECT_EQ(testutil::NOT_FOUND_TEXT, platform::ErrorText(platform::LastError()));
}

#ifndef _WIN32
// Found as Windows finds a program: beside the running program, the current folder, then PATH.
TEST(PlatformProcess, ScriptIsFoundOnPathAndRunsInTheCurrentDirectory) {
    CTempDir dir;
    testutil::fs::create_directories(dir.Path() / "tools");
    testutil::fs::create_directories(dir.Path() / "work");
    testutil::WriteFile(dir.Path() / "tools" / "Job.bat", SCRIPT_EXIT_3);
    testutil::CCurrentDirectory current(dir.Path() / "work");
    const char* pszOldPath = std::getenv("PATH");
    const std::string strOldPath = pszOldPath ? pszOldPath : "";
    ::setenv("PATH", ("/nonexistent:" + (dir / "tools")).c_str(), 1);
    int nExitCode = 0;
    const bool bStarted = platform::RunScriptAndWait("Job.bat", "argument", nExitCode);
    ::setenv("PATH", strOldPath.c_str(), 1);
    ASSERT_TRUE(bStarted);
    EXPECT_EQ(3, nExitCode);
    EXPECT_NE(std::string::npos, testutil::ReadFile(dir.Path() / "work" / "seen.txt").find("argument"));
}
#endif

TEST(PlatformLock, SecondLockOfTheSameFileIsRefusedUntilTheFirstIsGivenUp) {
    CTempDir dir;
    const std::string strLock = dir / "tempreg.lock";
    platform::Handle hFirst = platform::INVALID_HANDLE, hSecond = platform::INVALID_HANDLE;
    ASSERT_EQ(platform::LockResult::LOCKED, platform::LockExclusive(strLock.c_str(), hFirst));
    EXPECT_EQ(platform::LockResult::HELD_ELSEWHERE, platform::LockExclusive(strLock.c_str(), hSecond));
    platform::UnlockAndRemove(strLock.c_str(), hFirst);
    EXPECT_FALSE(testutil::fs::exists(strLock));
    ASSERT_EQ(platform::LockResult::LOCKED, platform::LockExclusive(strLock.c_str(), hSecond));
    platform::UnlockAndRemove(strLock.c_str(), hSecond);
    EXPECT_EQ(platform::LockResult::FAILED,
              platform::LockExclusive((dir / "missing/tempreg.lock").c_str(), hFirst));
    EXPECT_TRUE(platform::IsNotFoundError(platform::LastError()));
}

#ifndef _WIN32
TEST(PlatformLock, LinkInPlaceOfTheLockIsRemovedNotFollowed) {
    CTempDir dir;
    testutil::WriteFile(dir.Path() / "target", "keep me");
    testutil::fs::create_symlink("target", dir.Path() / "tempreg.lock");
    platform::Handle hLock = platform::INVALID_HANDLE;
    ASSERT_EQ(platform::LockResult::LOCKED,
              platform::LockExclusive((dir / "tempreg.lock").c_str(), hLock));
    EXPECT_FALSE(testutil::fs::is_symlink(dir.Path() / "tempreg.lock"));
    platform::UnlockAndRemove((dir / "tempreg.lock").c_str(), hLock);
    EXPECT_EQ("keep me", testutil::ReadFile(dir.Path() / "target"));
}
#endif

TEST(PlatformProcess, ProgramOutputGoesToTheGivenFiles) {
    CTempDir dir;
    int nExitCode = -1;
    ASSERT_TRUE(platform::RunProgram({testutil::Ini2RegPath(), "--help"}, dir.Path().string().c_str(),
                                     (dir / "out.txt").c_str(), (dir / "err.txt").c_str(),
                                     nExitCode));
    EXPECT_EQ(0, nExitCode);
    EXPECT_NE(std::string::npos, testutil::ReadFile(dir / "out.txt").find("Usage: ini2reg"));
    EXPECT_FALSE(platform::RunProgram({dir / "no-such-program"}, nullptr,
                                      (dir / "out.txt").c_str(), nullptr, nExitCode));
}

TEST(PlatformProcess, StartedProgramIsWaitedForWithItsExitStatus) {
    CTempDir dir;
    platform::Handle hProcess = platform::INVALID_HANDLE;
    ASSERT_TRUE(platform::StartProgram({testutil::Ini2RegPath(), "--help"}, nullptr,
                                       (dir / "out.txt").c_str(), nullptr, hProcess));
    int nExitCode = -1;
    ASSERT_TRUE(platform::WaitForProgram(hProcess, /*timeoutMs=*/-1, nExitCode));
    EXPECT_EQ(0, nExitCode);
    EXPECT_NE(std::string::npos, testutil::ReadFile(dir / "out.txt").find("Usage: ini2reg"));
    EXPECT_FALSE(platform::StartProgram({dir / "no-such-program"}, nullptr,
                                        (dir / "out.txt").c_str(), nullptr, hProcess));
}

TEST(PlatformProcess, ProgramNamedNowhereIsNotFound) {
    std::string strPath = "left over";
    EXPECT_FALSE(platform::FindProgram("no-such-program-anywhere", strPath));
    EXPECT_TRUE(platform::IsNotFoundError(platform::LastError()));
    EXPECT_EQ("", strPath);
}

#ifndef _WIN32
TEST(PlatformProcess, ProgramIsFoundOnPathWhenNotBesideThisOne) {
    CTempDir dir;
    testutil::WriteFile(dir.Path() / "tool", "#!/bin/sh\n");
    testutil::fs::permissions(dir.Path() / "tool", testutil::fs::perms::owner_all);
    testutil::WriteFile(dir.Path() / "notexec", "#!/bin/sh\n");
    const char* pszOldPath = std::getenv("PATH");
    const std::string strOldPath = pszOldPath ? pszOldPath : "";
    ::setenv("PATH", ("/nonexistent:" + dir.Path().string()).c_str(), 1);
    std::string strFound, strOther;
    const bool bFound = platform::FindProgram("tool", strFound);
    const bool bOther = platform::FindProgram("notexec", strOther);
    ::setenv("PATH", strOldPath.c_str(), 1);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(dir / "tool", strFound);
    EXPECT_FALSE(bOther);
}

TEST(PlatformProcess, StartedProgramRunsOnPastTheLimitUntilSignalled) {
    CTempDir dir;
    platform::Handle hProcess = platform::INVALID_HANDLE;
    ASSERT_TRUE(platform::StartProgram({"/bin/sleep", "60"}, nullptr, (dir / "out.txt").c_str(),
                                       nullptr, hProcess));
    int nExitCode = -1;
    EXPECT_FALSE(platform::WaitForProgram(hProcess, /*timeoutMs=*/50, nExitCode));
    ASSERT_TRUE(platform::SignalProgram(hProcess, SIGTERM));
    ASSERT_TRUE(platform::WaitForProgram(hProcess, /*timeoutMs=*/60000, nExitCode));
    EXPECT_EQ(128 + SIGTERM, nExitCode);
}
#endif
