// How idbdump prints the fields of items.idb records; which fields a kind has and how each is
// stored is the loader's table, loader/RecordLayout.h.
#pragma once

#include <string>
#include <string_view>

#include "loader/RecordLayout.h"

// Printing one field from its chunk payload as a reader takes it: a shorter payload is
// zero-filled, an empty one is a missing field.
// Json gives a JSON value with texts in UTF-8 (see JsonString); JsonRaw the same with the bytes
// of texts as they are stored; Text the same without quotes around texts, for tables.
enum class EValueStyle { Json, JsonRaw, Text };
std::string FormatField(const SFieldLayout& field, std::string_view strPayload, EValueStyle style);

// A text as a JSON string with its quotes, in UTF-8: a text that is valid UTF-8 is kept as it
// is, any other is read as Windows-1252, the code page the tables are written in. Raw: every
// byte 0x80 and above becomes \u0080 to \u00ff instead, so the output is plain ASCII and
// gives back the stored bytes. Control characters are escaped either way.
std::string JsonString(std::string_view strText, bool bRaw = false);
// A text for a table cell: printable ASCII as it is, a backslash doubled, other bytes as \xNN.
std::string PlainText(std::string_view strText);
// The shortest text that reads back to the same single; "nan", "inf" and "-inf" for the rest.
std::string FloatText(float fValue);
