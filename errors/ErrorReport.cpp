#include "errors/ErrorReport.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace {
int g_nErrorCount = 0;
ErrorObserver g_pfnObserver = nullptr;
void* g_pObserverContext = nullptr;
const CErrorRow* g_pRow = nullptr;

// Adds the row's line within the buffer's limit, on a line of its own.
void AppendRow(char* pszText) {
    if (!g_pRow) return;
    size_t nLength = std::strlen(pszText);
    if (nLength > 0 && pszText[nLength - 1] != '\n' && nLength + 1 < platform::ERROR_TEXT_SIZE) {
        pszText[nLength++] = '\n';
        pszText[nLength] = '\0';
    }
    std::snprintf(pszText + nLength, platform::ERROR_TEXT_SIZE - nLength,
                  "in \"%.*s\", row \"%.*s\".\n", static_cast<int>(g_pRow->Table().size()),
                  g_pRow->Table().data(), static_cast<int>(g_pRow->Row().size()),
                  g_pRow->Row().data());
}

// Standard error holds every report, so that logs of unattended runs show them.
void WriteToStandardError(const char* pszText) {
    std::fflush(stdout);
    const size_t nLength = std::strlen(pszText);
    std::fprintf(stderr, "ERROR\n%s%s", pszText,
                 nLength == 0 || pszText[nLength - 1] != '\n' ? "\n" : "");
    std::fflush(stderr);
}
}  // namespace

CErrorRow::CErrorRow(std::string_view strTable, std::string_view strRow)
    : m_pOuter(g_pRow), m_strTable(strTable), m_strRow(strRow) {
    g_pRow = this;
}

CErrorRow::~CErrorRow() { g_pRow = m_pOuter; }

int ReportError(const char* pszFormat, ...) {
    // The run is ending after the last report that counted; nothing of it may follow that one.
    if (ErrorLimitReached()) return 0;
    char szText[platform::ERROR_TEXT_SIZE];
    va_list args;
    va_start(args, pszFormat);
    platform::FormatErrorText(szText, pszFormat, args);
    va_end(args);
    AppendRow(szText);

    DebugTrace("Error!\n");
    DebugTrace("%s", szText);
    if (g_pfnObserver) {
        g_pfnObserver(szText, g_pObserverContext);
    } else {
        WriteToStandardError(szText);
        platform::ShowErrorBox(szText);
    }

    ++g_nErrorCount;
    return 0;
}

bool ErrorLimitReached() { return g_nErrorCount >= MAX_ERRORS; }

void DebugTrace(const char* pszFormat, ...) {
#ifdef NDEBUG
    (void)pszFormat;
#else
    char szText[platform::ERROR_TEXT_SIZE];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szText, sizeof szText, pszFormat, args);
    va_end(args);
    platform::DebugOutput(szText);
#endif
}

void SetErrorObserver(ErrorObserver pfnObserver, void* pContext) {
    g_pfnObserver = pfnObserver;
    g_pObserverContext = pContext;
}

int GetErrorCount() { return g_nErrorCount; }

void ResetErrorCount() { g_nErrorCount = 0; }
