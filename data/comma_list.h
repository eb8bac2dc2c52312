// The comma list: one line of items, quoted where needed, used by every data file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using TextList = std::vector<std::string>;

std::string EncodeCommaList(const TextList& items);
TextList DecodeCommaList(std::string_view line);
