#include "netproc/transfer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <stdexcept>

#include "netproc/curl_errors.h"
#include "platform/text.h"

namespace zs::netproc {

using namespace zs::retrieval;

namespace {

// Data messages stay small, so one transfer never holds the channel for long.
constexpr size_t MaxDataMessage = 64 * 1024;
constexpr long MaxRedirects = 20;

// The certificates to trust instead of the system's, named as curl's own tool and OpenSSL
// let them be named: for a private authority, or a test's own.
const char *trustedCertificates() {
  static const char *file = [] {
    const char *named = std::getenv("CURL_CA_BUNDLE");
    if (!named || !*named) named = std::getenv("SSL_CERT_FILE");
    return named && *named ? named : nullptr;
  }();
  return file;
}

template <class Value> void setOption(CURL *easy, CURLoption option, Value value) {
  CURLcode result = curl_easy_setopt(easy, option, value);
  if (result != CURLE_OK) throw std::runtime_error(curl_easy_strerror(result));
}

// The URL as a browser sends it: the bytes a request line cannot carry (blanks, controls,
// bytes past ASCII, and " < > \\ ^ ` { | }) go as %XX; escapes already written stay.
std::string wireURL(const std::string &url) {
  static constexpr char hexDigits[] = "0123456789ABCDEF";
  std::string wire;
  wire.reserve(url.size());
  for (char c : url) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const bool escape = byte <= ' ' || byte >= 0x7F || std::strchr("\"<>\\^`{|}", c);
    if (!escape) {
      wire += c;
      continue;
    }
    wire += '%';
    wire += hexDigits[byte >> 4];
    wire += hexDigits[byte & 15];
  }
  return wire;
}

// The value of a header line of the given lower-case name, without the blanks around it.
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return std::nullopt;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != name[i]) return std::nullopt;
  return platform::WithoutBlanksAround(line.substr(name.size() + 1));
}

} // namespace

TTransfer::TTransfer(CURLM *Multi, const TRequest &Request, const TTransferSettings &Settings,
                     TTransferSink &Sink)
    : multi_(Multi), easy_(curl_easy_init()), id_(Request.ID), sink_(Sink),
      maxBytes_(static_cast<int64_t>(std::max(Settings.MaxFileMegabytes, 0)) << 20) {
  if (!easy_) throw std::runtime_error("Cannot create a transfer");
  try {
    setOption(easy_, CURLOPT_URL, wireURL(Request.URL).c_str());
    // Every encoding this libcurl decodes may be sent; the program gets the decoded bytes.
    setOption(easy_, CURLOPT_ACCEPT_ENCODING, "");
    addConditions(Request.Conditions);
    setOption(easy_, CURLOPT_PRIVATE, this);
    setOption(easy_, CURLOPT_WRITEFUNCTION, &TTransfer::onData);
    setOption(easy_, CURLOPT_WRITEDATA, this);
    setOption(easy_, CURLOPT_HEADERFUNCTION, &TTransfer::onHeader);
    setOption(easy_, CURLOPT_HEADERDATA, this);
    setOption(easy_, CURLOPT_ERRORBUFFER, errorText_);
    setOption(easy_, CURLOPT_NOSIGNAL, 1L);
    setOption(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    setOption(easy_, CURLOPT_MAXREDIRS, MaxRedirects);
    // Only what the program asks for; a redirect never leads to a local file.
    setOption(easy_, CURLOPT_PROTOCOLS_STR, "http,https,ftp,gopher");
    setOption(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,gopher");
    setOption(easy_, CURLOPT_USERAGENT, Settings.UserAgent.c_str());
    // Mode 0, and any mode this program does not know, leaves the proxy to the usual
    // environment variables, which is how this system is configured.
    if (Settings.ProxyUse == 1) {
      setOption(easy_, CURLOPT_PROXY, "");
    } else if (Settings.ProxyUse == 2) {
      setOption(easy_, CURLOPT_PROXY, Settings.ProxyAddress.c_str());
      if (!Settings.ProxyUserName.empty() || !Settings.ProxyPassword.empty()) {
        setOption(easy_, CURLOPT_PROXYUSERNAME, Settings.ProxyUserName.c_str());
        setOption(easy_, CURLOPT_PROXYPASSWORD, Settings.ProxyPassword.c_str());
      }
    }
    if (const char *certificates = trustedCertificates())
      setOption(easy_, CURLOPT_CAINFO, certificates);
    if (Settings.IgnoreSSL) {
      setOption(easy_, CURLOPT_SSL_VERIFYPEER, 0L);
      setOption(easy_, CURLOPT_SSL_VERIFYHOST, 0L);
      setOption(easy_, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
      setOption(easy_, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
    }
    if (Settings.IdleSeconds > 0) {
      // Waiting for a connection, or for data, ends after the idle time; a transfer paused
      // because the program has not read its data yet does not count as idle.
      setOption(easy_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(Settings.IdleSeconds));
      setOption(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
      setOption(easy_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(Settings.IdleSeconds));
    }
    CURLMcode added = curl_multi_add_handle(multi_, easy_);
    if (added != CURLM_OK) throw std::runtime_error(curl_multi_strerror(added));
  } catch (...) {
    curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
    throw;
  }
}

TTransfer::~TTransfer() {
  curl_multi_remove_handle(multi_, easy_);
  curl_easy_cleanup(easy_);
  curl_slist_free_all(headers_);
}

// Validators with a line end would end the header line early: such a request asks for the
// whole file.
void TTransfer::addConditions(const TConditions &Conditions) {
  auto add = [&](const char *name, const std::string &value) {
    if (value.empty() || value.find_first_of("\r\n") != std::string::npos) return;
    curl_slist *more = curl_slist_append(headers_, (std::string(name) + ": " + value).c_str());
    if (!more) throw std::runtime_error("Cannot add a request header");
    headers_ = more;
  };
  add("If-None-Match", Conditions.IfNoneMatch);
  add("If-Modified-Since", Conditions.IfModifiedSince);
  if (headers_) setOption(easy_, CURLOPT_HTTPHEADER, headers_);
}

void TTransfer::Resume() {
  paused_ = false;
  curl_easy_pause(easy_, CURLPAUSE_CONT);
}

void TTransfer::Finish(CURLcode Result) {
  if (answered_) return;
  if (Result == CURLE_OK) {
    if (!headerSent_ && !answerHeader()) return;
    sink_.Queue(pmEnd, EncodeEnd(id_));
    answered_ = true;
  } else if (Result == CURLE_REMOTE_FILE_NOT_FOUND && !headerSent_) {
    // Not there, as an HTTP 404 is: found false rather than a failure.
    sink_.Queue(pmHeader, EncodeHeader(id_, false, -1, ""));
    sink_.Queue(pmEnd, EncodeEnd(id_));
    answered_ = true;
  } else if (tooLarge_) {
    sendError(tecUntranslated, "The file is larger than the limit of " +
                                   std::to_string(maxBytes_ >> 20) + " MB (MaxFileSizeMB)");
  } else {
    sendError(ToolErrorCode(Result), errorText_[0] ? errorText_ : curl_easy_strerror(Result));
  }
}

bool TTransfer::answerHeader() {
  headerSent_ = true;
  long status = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
  std::string statusText =
      statusLine_.empty() ? "The server answered " + std::to_string(status) : statusLine_;
  if (status == 401 || status == 407) {
    sendError(tecCredentialsRefused, statusText);
    return false;
  }
  if (status == 429) {
    sendError(tecUntranslated, statusText, retryAfterSeconds(status));
    return false;
  }
  if (status >= 500) {
    sendError(tecServerError, statusText, status == 503 ? retryAfterSeconds(status) : -1);
    return false;
  }
  if (status >= 400) {
    sink_.Queue(pmHeader, EncodeHeader(id_, false, -1, ""));
    sink_.Queue(pmEnd, EncodeEnd(id_));
    answered_ = true;
    return false;
  }
  const THeaderValidators validators{status == 304, eTag_, lastModified_};
  curl_off_t length = -1;
  curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  char *contentType = nullptr;
  curl_easy_getinfo(easy_, CURLINFO_CONTENT_TYPE, &contentType);
  // A size beyond 32 bits cannot be told, nor that of an encoded body once decoded: unknown.
  int32_t size =
      length >= 0 && length <= INT32_MAX && !encoded_ ? static_cast<int32_t>(length) : -1;
  // Where redirects led, so that the page's relative links are read against that place.
  // curl writes even an URL that was not redirected in a form of its own: only a redirect
  // counts.
  long redirects = 0;
  char *location = nullptr;
  curl_easy_getinfo(easy_, CURLINFO_REDIRECT_COUNT, &redirects);
  if (redirects > 0) curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &location);
  sink_.Queue(pmHeader, EncodeHeader(id_, true, size, contentType ? contentType : "",
                                     location ? location : "", validators));
  return true;
}

void TTransfer::sendError(int32_t code, std::string_view message, int32_t retryAfter) {
  sink_.Queue(pmError, EncodeError(id_, code, message, retryAfter));
  answered_ = true;
}

// What Retry-After asks, in seconds or as an HTTP date (0 for a date past). Too many
// requests without a readable one wait a few seconds all the same; an unavailable server
// without one is not asked again.
int32_t TTransfer::retryAfterSeconds(long status) const {
  const int32_t unstated = status == 429 ? 5 : -1;
  const std::string &value = retryAfter_;
  if (value.empty()) return unstated;
  if (value.find_first_not_of("0123456789") == std::string::npos) {
    if (value.size() > 9) return INT32_MAX;
    return static_cast<int32_t>(std::stol(value));
  }
  const time_t when = curl_getdate(value.c_str(), nullptr);
  if (when < 0) return unstated;
  const time_t wait = when - std::time(nullptr);
  return static_cast<int32_t>(std::clamp<time_t>(wait, 0, INT32_MAX));
}

size_t TTransfer::onData(char *data, size_t size, size_t count, void *self) {
  auto *transfer = static_cast<TTransfer *>(self);
  size_t bytes = size * count;
  // Returning less than given ends the transfer: the status alone answered the request.
  if (!transfer->headerSent_ && !transfer->answerHeader()) return 0;
  if (transfer->sink_.OutputFull()) {
    transfer->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  transfer->received_ += static_cast<int64_t>(bytes);
  if (transfer->maxBytes_ > 0 && transfer->received_ > transfer->maxBytes_) {
    transfer->tooLarge_ = true;
    return 0;
  }
  for (size_t done = 0; done < bytes; done += MaxDataMessage) {
    std::string_view piece(data + done, std::min(MaxDataMessage, bytes - done));
    transfer->sink_.Queue(pmData, EncodeData(transfer->id_, piece));
  }
  return bytes;
}

size_t TTransfer::onHeader(char *data, size_t size, size_t count, void *self) {
  auto *transfer = static_cast<TTransfer *>(self);
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  if (line.starts_with("HTTP/")) {
    // A new response (after a redirect or a 100): what the last one said goes.
    transfer->statusLine_ = line;
    transfer->eTag_.clear();
    transfer->lastModified_.clear();
    transfer->retryAfter_.clear();
    transfer->encoded_ = false;
  } else if (auto value = HeaderValue(line, "etag")) {
    transfer->eTag_ = *value;
  } else if (auto value = HeaderValue(line, "last-modified")) {
    transfer->lastModified_ = *value;
  } else if (auto value = HeaderValue(line, "retry-after")) {
    transfer->retryAfter_ = *value;
  } else if (auto value = HeaderValue(line, "content-encoding")) {
    transfer->encoded_ = !value->empty() && *value != "identity";
  }
  return size * count;
}

} // namespace zs::netproc
