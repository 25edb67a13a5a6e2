#include "driver/ErrorReport.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/Platform.h"

namespace {
int g_nErrorCount = 0;
ErrorObserver g_pfnObserver = nullptr;
void* g_pObserverContext = nullptr;
}  // namespace

int ReportError(const char* pszFormat, ...) {
    char szText[platform::ERROR_TEXT_SIZE];
    va_list args;
    va_start(args, pszFormat);
    platform::FormatErrorText(szText, pszFormat, args);
    va_end(args);

    DebugTrace("Error!\n");
    DebugTrace("%s", szText);
    if (g_pfnObserver) g_pfnObserver(szText, g_pObserverContext);
    else platform::ShowErrorBox(szText);

    if (++g_nErrorCount >= MAX_ERRORS) {
        std::fflush(stdout);
        std::exit(-1);
    }
    return 0;
}

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
