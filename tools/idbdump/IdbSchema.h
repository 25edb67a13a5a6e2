// How idbdump prints the fields of items.idb records; which fields a kind has and how each is
// stored is the loader's table, loader/RecordLayout.h.
#pragma once

#include <string>
#include <string_view>

#include "loader/RecordLayout.h"

// Printing one field from its chunk payload as a reader takes it: a shorter payload is
// zero-filled, an empty one is a missing field.
// Json gives a JSON value; Text the same without quotes around texts, for tables.
enum class EValueStyle { Json, Text };
std::string FormatField(const SFieldLayout& field, std::string_view strPayload, EValueStyle style);

// A text as a JSON string with its quotes. Bytes 0x80 and above are one character each of a
// single-byte code page and become \u0080 to \u00ff, so the output is plain ASCII.
std::string JsonString(std::string_view strText);
// A text for a table cell: printable ASCII as it is, a backslash doubled, other bytes as \xNN.
std::string PlainText(std::string_view strText);
// The shortest text that reads back to the same single; "nan", "inf" and "-inf" for the rest.
std::string FloatText(float fValue);
