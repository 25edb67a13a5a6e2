// Errors that a person must see, counted so that a run drowning in them ends, and the silent
// diagnostic trace.
#pragma once

inline constexpr int MAX_ERRORS = 10;

// Formats the message (printf conversions for integers, characters and strings; cut to 1023
// characters), shows it in the error box and counts it. The MAX_ERRORS-th report ends the
// process with status -1 once it has been shown, so nothing is saved. Returns 0 otherwise.
int ReportError(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Diagnostics for developers; silent in release builds.
void DebugTrace(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Test seam: while an observer is set, reports reach it instead of the error box; counting and
// the end of the run at MAX_ERRORS stay as they are.
using ErrorObserver = void (*)(const char* pszText, void* pContext);
void SetErrorObserver(ErrorObserver pfnObserver, void* pContext);
int GetErrorCount();
void ResetErrorCount();
