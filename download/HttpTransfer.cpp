#include "download/HttpTransfer.h"

#include "app/Log.h"

namespace {

size_t DiscardBody(char* data, size_t size, size_t count, void* user) {
    return size * count;
}

size_t AppendToText(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

void SetProxyOptions(CURL* handle, const std::string& proxy) {
    if (proxy.empty()) {
        return;
    }
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
}

// The options both engine transfers share: no progress meter, no signals, give up below one
// byte a second for five seconds, and follow redirects.
void SetTransferOptions(CURL* handle, const char* url, CurlWriteFunction write, void* writeData,
                        const char* userAgent) {
    curl_easy_setopt(handle, CURLOPT_URL, url);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, writeData);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 5L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 20000L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
}

} // namespace

uint32_t GetDownloadFileLenth(const char* url, const std::string& proxy) {
    CurlEasy handle(curl_easy_init());
    if (!handle || url == nullptr) {
        LogFormat("Download_GetDownloadFileLenth : result(%d), url_err(%d).\n", -1,
                  static_cast<int>(CURLE_FAILED_INIT));
        return kUnknownLength;
    }
    curl_easy_setopt(handle.get(), CURLOPT_URL, url);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &DiscardBody);
    curl_easy_setopt(handle.get(), CURLOPT_USERAGENT, kDescriptionUserAgent);
    curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_HEADER, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, kLengthQueryTimeoutSeconds);
    SetProxyOptions(handle.get(), proxy);

    const CURLcode result = curl_easy_perform(handle.get());
    curl_off_t length = -1;
    if (result != CURLE_OK ||
        curl_easy_getinfo(handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
        length = -1;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        LogFormat("Download_GetDownloadFileLenth : no answer within %ld s, url(%s).\n",
                  kLengthQueryTimeoutSeconds, url);
    }
    LogFormat("Download_GetDownloadFileLenth : result(%d), url_err(%d).\n",
              static_cast<int>(length), static_cast<int>(result));
    if (length < 0 || length >= static_cast<curl_off_t>(kUnknownLength)) {
        return kUnknownLength;
    }
    return static_cast<uint32_t>(length);
}

std::string FetchText(const char* url) {
    CurlEasy handle(curl_easy_init());
    if (!handle || url == nullptr) {
        return "error";
    }
    std::string text;
    curl_easy_setopt(handle.get(), CURLOPT_URL, url);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &AppendToText);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &text);
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, kTextFetchTimeoutSeconds);
    if (curl_easy_perform(handle.get()) != CURLE_OK) {
        return "error";
    }
    return text;
}

void ConfigureDescriptionTransfer(CURL* handle, const char* url, CurlWriteFunction write,
                                  void* writeData, const std::string& proxy) {
    SetTransferOptions(handle, url, write, writeData, kDescriptionUserAgent);
    SetProxyOptions(handle, proxy);
}

void ConfigureSegmentTransfer(CURL* handle, const char* url, const char* range,
                              CurlWriteFunction write, void* writeData, const std::string& proxy) {
    SetTransferOptions(handle, url, write, writeData, kSegmentUserAgent);
    if (range != nullptr) {
        curl_easy_setopt(handle, CURLOPT_RANGE, range);
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    }
    SetProxyOptions(handle, proxy);
}
