// Materials: not items; the name, the position in the list, absorption and masks.
#include "itemdb/Columns.h"
#include "itemdb/ItemCommon.h"

void ReadMaterial(const CFileRegistry& registry, std::string_view strSection, std::int32_t nRow,
                  SMaterial& material) {
    using namespace columns;
    material.Name = ReadString(registry, strSection, NAME);
    LowercaseAscii(material.Name);
    material.Index = nRow;
    for (int i = 0; i < DAMAGE_TYPE_COUNT; ++i)
        material.Absorption.values[i] = ReadFloat(registry, strSection, *ABSORPTION[i]);
    std::vector<std::string> crippled;
    ReadList(registry, strSection, ABSORPTION_CRIPPLED, crippled);
    material.CrippledMask = CrippledMaskOf(crippled);
    material.ShopMask = ReadShopMask(registry, strSection);
}
