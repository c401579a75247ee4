#pragma once
// The transfer form of a batch: a JSON array, gzip-compressed, Base64 with
// the standard alphabet, then percent-encoded for a form body.

#include <string>
#include <vector>

namespace collect {

// "[" + records joined by "," + "]".
std::string BuildBatch(const std::vector<std::string>& records);
// gzip wrapper, level 9, memory level 8, default strategy. On failure a line
// goes to standard error and the result is false.
bool GzipCompress(const std::string& input, std::string& output);
std::string Base64Encode(const std::string& input);
// Letters, digits and - _ . ~ stay; every other byte becomes %XX (upper case).
bool PercentEncode(const std::string& input, std::string& output);
// "data_list=" + the encoded batch + "&gzip=1"; false when compressing fails.
bool BuildRequestBody(const std::string& batch, std::string& body);

}  // namespace collect
