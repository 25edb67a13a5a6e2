// idbdump's view of a registry file (tempreg.reg): every section and value with its type, and
// how long the chains of both hash tables are. Layout: docs/registry-format.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// True when the bytes begin with the registry magic, whatever the file is called.
bool IsRegistryFile(std::string_view strBytes);

// The lengths of the chains of one hash table: a chain starts at a slot that no other slot links
// to and runs to its end mark. The slots must lie inside the file and hold no loop (Verify).
std::vector<std::uint32_t> ChainLengths(const std::uint8_t* pSlots, std::uint32_t nSlots);

// Checks the file with CFileRegistry::Verify and prints it: with bSummaryOnly just the totals and
// the chain statistics, otherwise every section and value too. False with the first problem as
// "at byte N: what" when the file is malformed; strOut is then empty.
bool DumpRegistry(std::string_view strBytes, bool bSummaryOnly, std::string& strOut,
                  std::string& strProblem);
