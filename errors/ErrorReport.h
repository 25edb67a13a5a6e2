// Errors that a person must see, counted so that a run drowning in them can end, and the silent
// diagnostic trace. Ending the run is the driver's: this layer only says when the limit is
// reached.
#pragma once

#include <string_view>

inline constexpr int MAX_ERRORS = 10;

// Formats the message (printf conversions for integers, characters and strings; cut to 1023
// characters), writes it to standard error after a line "ERROR", shows it in the error box and
// counts it. The MAX_ERRORS-th report is shown like the others and reaches the limit
// (ErrorLimitReached); reports after it are neither shown nor written nor counted, since the
// run they belong to is ending. Returns 0.
int ReportError(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// While one lives, every report gains a second line naming the table and the row it concerns:
// "in \"Weapons.txt\", row \"Great Sword\".\n". Both texts must outlive the object.
class CErrorRow {
public:
    CErrorRow(std::string_view strTable, std::string_view strRow);
    ~CErrorRow();
    CErrorRow(const CErrorRow&) = delete;
    CErrorRow& operator=(const CErrorRow&) = delete;
    std::string_view Table() const { return m_strTable; }
    std::string_view Row() const { return m_strRow; }

private:
    const CErrorRow* m_pOuter;  // restored when this one ends
    std::string_view m_strTable, m_strRow;
};

// Diagnostics for developers; silent in release builds.
void DebugTrace(const char* pszFormat, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Whether MAX_ERRORS reports have been made since the count was last reset: the run must stop,
// nothing more must be built, and nothing saved.
bool ErrorLimitReached();

// Test seam: while an observer is set, reports reach it instead of the error box; counting and
// the limit at MAX_ERRORS stay as they are.
using ErrorObserver = void (*)(const char* pszText, void* pContext);
void SetErrorObserver(ErrorObserver pfnObserver, void* pContext);
int GetErrorCount();
// Back to no reports, the limit no longer reached.
void ResetErrorCount();
