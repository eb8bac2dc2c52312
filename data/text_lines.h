// Splitting file bytes into lines and joining lines back, as the data files store them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Lines end at CR LF, a lone CR or a lone LF; a NUL byte ends the text. A final line without
// a line end is kept; no empty line is added after the last line end.
std::vector<std::string> SplitLines(std::string_view bytes);
// The same lines as views into `bytes`.
std::vector<std::string_view> SplitLineViews(std::string_view bytes);

// Each line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
