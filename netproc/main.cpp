// ZelvorSumbraWinInetter: the program's separated network process. Its one argument is the
// number of the descriptor that holds its end of the channel, as eight hexadecimal digits.
#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <string>

#include "netproc/win_inetter.h"

namespace {

// The descriptor named by the argument; -1 when it names none.
int channelDescriptor(const std::string &argument) {
  if (argument.empty() || argument.size() > 8 ||
      !std::all_of(argument.begin(), argument.end(),
                   [](unsigned char c) { return std::isxdigit(c); }))
    return -1;
  unsigned long value = std::stoul(argument, nullptr, 16);
  return value <= 0x7FFFFFFF ? static_cast<int>(value) : -1;
}

} // namespace

int main(int argc, char **argv) {
  int descriptor = argc == 2 ? channelDescriptor(argv[1]) : -1;
  if (descriptor < 0) {
    std::fprintf(stderr, "usage: %s CHANNEL (the descriptor number in hexadecimal)\n", argv[0]);
    return 2;
  }
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    std::fprintf(stderr, "ZelvorSumbraWinInetter: curl cannot start\n");
    return 1;
  }
  int status = 0;
  try {
    zs::netproc::TWinInetter(descriptor).Run();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "ZelvorSumbraWinInetter: %s\n", e.what());
    status = 1;
  }
  curl_global_cleanup();
  return status;
}
