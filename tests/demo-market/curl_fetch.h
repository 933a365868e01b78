// A plain libcurl client for the market's own tests: one request, everything it returns.
#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

namespace kestrune::demo::testing {

struct FetchReply {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::vector<std::string> headerLines;  // response header lines without CR LF

  std::vector<std::string> headers(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& line : headerLines) {
      if (line.size() > name.size() && line[name.size()] == ':' &&
          curl_strnequal(line.c_str(), name.c_str(), name.size())) {
        values.push_back(line.substr(line.find_first_not_of(' ', name.size() + 1)));
      }
    }
    return values;
  }
};

struct FetchOptions {
  std::string caFile;                  // extra authority for https
  std::vector<std::string> headers;    // request header lines, sent in this order
  std::string postBody;                // non-empty: POST
  long timeoutMs = 10000;
  bool httpOnePointZero = false;
  bool headOnly = false;

  FetchOptions& trust(const std::string& file) { caFile = file; return *this; }
  FetchOptions& header(const std::string& line) { headers.push_back(line); return *this; }
  FetchOptions& post(const std::string& body) { postBody = body; return *this; }
  FetchOptions& timeout(long ms) { timeoutMs = ms; return *this; }
  FetchOptions& http10() { httpOnePointZero = true; return *this; }
  FetchOptions& head() { headOnly = true; return *this; }
};

inline FetchReply curlFetch(const std::string& url, const FetchOptions& options = {}) {
  FetchReply reply;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  if (!options.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
  if (options.headOnly) curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (options.httpOnePointZero) curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_slist* list = nullptr;
  for (const auto& line : options.headers) list = curl_slist_append(list, line.c_str());
  if (list) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  if (!options.postBody.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, options.postBody.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(options.postBody.size()));
  }
  auto onBody = +[](char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
  };
  auto onHeader = +[](char* data, size_t size, size_t count, void* target) {
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) static_cast<std::vector<std::string>*>(target)->push_back(line);
    return size * count;
  };
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headerLines);
  reply.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return reply;
}

}  // namespace kestrune::demo::testing
