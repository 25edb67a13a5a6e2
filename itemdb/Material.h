// Materials: not items; their own general columns with defaults of -1. The record:
// marrow/Records.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "marrow/Records.h"

using marrow::SMaterial;

class CFileRegistry;

// Fills a material from one row; nIndex is its position in the list.
void ReadMaterial(const CFileRegistry& registry, std::string_view strSection, std::int32_t nIndex,
                  SMaterial& material);
