#include "analytics/sdk/encoding.h"

#include <curl/curl.h>
#include <zlib.h>

#include <climits>
#include <memory>

#include "analytics/sdk/diagnostics.h"

namespace collect {

std::string BuildBatch(const std::vector<std::string>& records) {
  size_t size = 2;
  for (const std::string& r : records) size += r.size() + 1;
  std::string batch;
  batch.reserve(size);
  batch.push_back('[');
  for (size_t i = 0; i < records.size(); ++i) {
    if (i) batch.push_back(',');
    batch += records[i];
  }
  batch.push_back(']');
  return batch;
}

bool GzipCompress(const std::string& input, std::string& output) {
  output.clear();
  z_stream stream{};
  // Window bits 15 + 16: a gzip wrapper instead of the zlib one.
  if (deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    WriteDiagnostic("deflateInit2 failed while compressing.");
    return false;
  }
  if (input.size() > UINT_MAX) {
    deflateEnd(&stream);
    WriteDiagnostic("Exception during zlib compression: (" + std::to_string(Z_BUF_ERROR) + ") input too large");
    return false;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  constexpr size_t kChunk = 32768;
  std::unique_ptr<Bytef[]> chunk(new Bytef[kChunk]);
  int result = Z_OK;
  do {
    stream.next_out = chunk.get();
    stream.avail_out = kChunk;
    result = deflate(&stream, Z_FINISH);
    output.append(reinterpret_cast<const char*>(chunk.get()), kChunk - stream.avail_out);
  } while (result == Z_OK);
  const std::string message = stream.msg ? stream.msg : "";
  deflateEnd(&stream);
  if (result != Z_STREAM_END) {
    WriteDiagnostic("Exception during zlib compression: (" + std::to_string(result) + ") " + message);
    output.clear();
    return false;
  }
  return true;
}

std::string Base64Encode(const std::string& input) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  const size_t n = input.size();
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  if (n - i == 1) {
    const unsigned v = p[i] << 16;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out += "==";
  } else if (n - i == 2) {
    const unsigned v = (p[i] << 16) | (p[i + 1] << 8);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back('=');
  }
  return out;
}

bool PercentEncode(const std::string& input, std::string& output) {
  output.clear();
  if (input.empty()) return true;
  if (input.size() > INT_MAX) return false;
  // libcurl's own escaping keeps exactly the unreserved characters.
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(nullptr, input.data(), static_cast<int>(input.size())), &curl_free);
  if (!escaped) return false;
  output = escaped.get();
  return true;
}

bool BuildRequestBody(const std::string& batch, std::string& body) {
  std::string compressed, escaped;
  if (!GzipCompress(batch, compressed)) return false;
  if (!PercentEncode(Base64Encode(compressed), escaped)) return false;
  body = "data_list=" + escaped + "&gzip=1";
  return true;
}

}  // namespace collect
