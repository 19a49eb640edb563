#include "netproc/curl_errors.h"

#include "retrieval/wire_messages.h"

namespace zs::netproc {

using namespace zs::retrieval;

int32_t ToolErrorCode(CURLcode Result) {
  switch (Result) {
  case CURLE_UNSUPPORTED_PROTOCOL:
  case CURLE_URL_MALFORMAT: return tecBadURL;
  case CURLE_REMOTE_FILE_NOT_FOUND:
  case CURLE_FILE_COULDNT_READ_FILE:
  case CURLE_TOO_MANY_REDIRECTS: return tecNotFound;
  case CURLE_COULDNT_RESOLVE_PROXY:
  case CURLE_COULDNT_RESOLVE_HOST:
  case CURLE_COULDNT_CONNECT: return tecServerNotFound;
  case CURLE_LOGIN_DENIED:
  case CURLE_REMOTE_ACCESS_DENIED:
  case CURLE_AUTH_ERROR: return tecCredentialsRefused;
  case CURLE_WEIRD_SERVER_REPLY:
  case CURLE_HTTP2:
  case CURLE_HTTP2_STREAM:
  case CURLE_PARTIAL_FILE:
  case CURLE_GOT_NOTHING:
  case CURLE_SEND_ERROR:
  case CURLE_RECV_ERROR: return tecServerError;
  default: return tecUntranslated;
  }
}

} // namespace zs::netproc
