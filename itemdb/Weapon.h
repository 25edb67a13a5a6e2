// Weapons: type code, range, damage, damage proportions, skills, attack and defence. The
// record: marrow/Records.h.
#pragma once

#include <string_view>

#include "itemdb/ItemCommon.h"

using marrow::SWeapon;
using marrow::TYPE_ID_WEAPON;

// Fills a weapon from one row; an unknown weapon type is reported.
void ReadWeapon(const CFileRegistry& registry, std::string_view strSection, SWeapon& weapon);
