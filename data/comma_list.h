// The comma list: one line of items, quoted where needed, used by every data file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using TTextList = std::vector<std::string>;

std::string EncodeCommaList(const TTextList& items);
TTextList DecodeCommaList(std::string_view line);
