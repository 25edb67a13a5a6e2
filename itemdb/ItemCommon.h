// The part shared by the five item kinds: how a row fills the common fields (name, general
// values, texture values and shop mask). The record itself: marrow/Records.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/Vocabulary.h"
#include "loader/RecordSerialize.h"  // how each record is stored
#include "marrow/Records.h"

using marrow::CPackedStrings;
using marrow::SItemCommon;

class CFileRegistry;

// Fills the common fields from one row (section) of the registry; every field read is
// replaced, absent values taking their defaults.
void ReadCommonFields(const CFileRegistry& registry, std::string_view strSection,
                      SItemCommon& item);

// The OR of the five shop columns, each integer shifted left by its shop number - 1 as read.
std::uint32_t ReadShopMask(const CFileRegistry& registry, std::string_view strSection);
// Bit (n AND 31) for every number n of a crippled list, numbers read as atoi does.
std::uint32_t CrippledMaskOf(const std::vector<std::string>& entries);
