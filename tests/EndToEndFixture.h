// Fixture for whole runs of the built Marrow executable in a temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/Columns.h"
#include "platform/Platform.h"
#include "testsupport/TestUtil.h"

namespace fs = std::filesystem;
using testutil::CTempDir;

// The tables in build order, from the build table; the headings are what a run must print.
inline const std::vector<const char*> TABLES = [] {
    std::vector<const char*> tables;
    for (const SKindColumns& kind : AllKinds()) tables.push_back(kind.pszTable);
    return tables;
}();
inline const std::vector<std::string> HEADINGS = [] {
    std::vector<std::string> headings;
    for (const SKindColumns& kind : AllKinds())
        headings.push_back("Building " + std::string(kind.pszKind) + " list:");
    return headings;
}();

class EndToEnd : public testing::Test {
protected:
    EndToEnd() { testutil::InstallConverter(m_dir.Path()); }

    // The example tables, over whatever tables the folder holds.
    void CopyExamples() {
        for (const char* pszTable : TABLES)
            fs::copy_file(testutil::ExamplesDir() / pszTable, m_dir.Path() / pszTable,
                          fs::copy_options::overwrite_existing);
    }
    // Runs Marrow with the arguments; returns its standard output.
    std::string Run(const std::vector<std::string>& args) {
        return RunProgramAt(testutil::MarrowPath(), m_dir.Path(), args);
    }
    // Runs a program in a directory; standard output and error go to files of m_dir.
    std::string RunProgramAt(const std::string& strProgram, const fs::path& directory,
                             const std::vector<std::string>& args) {
        std::vector<std::string> command = {strProgram};
        command.insert(command.end(), args.begin(), args.end());
        m_nStatus = -12345;
        EXPECT_TRUE(platform::RunProgram(command, directory.string().c_str(),
                                         (m_dir / "stdout.txt").c_str(),
                                         (m_dir / "stderr.txt").c_str(), m_nStatus));
        return testutil::ReadOutput(m_dir.Path() / "stdout.txt");
    }
    std::string StandardError() const { return testutil::ReadOutput(m_dir.Path() / "stderr.txt"); }
    // Data rows of an example table: its lines but the two header lines.
    static size_t RowsOf(const char* pszTable) {
        const std::string strText = testutil::ReadFile(testutil::ExamplesDir() / pszTable);
        return static_cast<size_t>(std::count(strText.begin(), strText.end(), '\n')) - 2;
    }

    CTempDir m_dir;
    int m_nStatus = 0;
};
