// Armors: two protection blocks, wear order, wound flag and the skill levels. The record:
// marrow/Records.h.
#pragma once

#include <string_view>

#include "itemdb/ItemCommon.h"

using marrow::SArmor;
using marrow::SArmorProtection;
using marrow::TYPE_ID_ARMOR;

// Fills an armor from one row; an unknown armor type is reported.
void ReadArmor(const CFileRegistry& registry, std::string_view strSection, SArmor& armor);
