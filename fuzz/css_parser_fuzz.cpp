// Feeds any bytes through the CSS parser of a parse provider, whole and cut into blocks at
// points the input chooses. Nothing may crash or hang; every cut must give the output and
// the links of the whole sheet; an exact copy must give the sheet back byte for byte, and a
// browsable one of a job that accepts no link must not change when copied again (it only
// points references at the web); the parser on its own, copying exactly, must write every
// byte it read.
//
// Input: one byte n, then n bytes that each choose a cut (as a position modulo the size of
// the sheet), then the sheet.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kernel/interfaces.h"
#include "kernel/module_startup.h"
#include "platform/safecall.h"
#include "tests/parsing/parser_test_support.h"

namespace {

using namespace zs;
using platform::OleCheck;

void check(bool condition, const char *what, const std::string &sheet) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s: [%s]\n", what, sheet.c_str());
  std::abort();
}

// Settings of the fuzzer's own, in a folder that lives as long as the process.
void startModules() {
  std::string folder = "/tmp/zs-css-fuzz-XXXXXX";
  if (!mkdtemp(folder.data())) std::abort();
  setenv("ZELVOR_SUMBRA_USER_HIVE", (folder + "/user.db").c_str(), 1);
  setenv("ZELVOR_SUMBRA_MACHINE_HIVE", (folder + "/machine.db").c_str(), 1);
  StartModules();
}

std::string parseAlone(IJobRequest *job, const std::vector<std::string> &blocks) {
  ComPtr<IParser> parser = GetParser("css");
  OleCheck(parser->Init(CreateURLParser(testing::TestSheet, job).get(), job, nullptr, nullptr,
                        nullptr, nullptr));
  std::string copy, output;
  for (const std::string &block : blocks) {
    OleCheck(parser->ProcessBlock(block, &output));
    copy += output;
  }
  OleCheck(parser->Finish(&output));
  return copy + output;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = (startModules(), true);
  (void)started;
  static const ComPtr<IJobRequest> exact = testing::NewJob(ctExact);
  static const ComPtr<IJobRequest> browsable = testing::NewJob(ctBrowsable);
  static const ComPtr<IJobRequest> foreign = testing::NewJob(ctBrowsable, "http://elsewhere/");
  if (size == 0) return 0;

  const size_t cutCount = std::min<size_t>(data[0], size - 1);
  const std::string sheet(reinterpret_cast<const char *>(data) + 1 + cutCount, size - 1 - cutCount);
  std::vector<size_t> cuts;
  for (size_t i = 0; i < cutCount && sheet.size() > 1; ++i)
    cuts.push_back(1 + data[1 + i] % (sheet.size() - 1));
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  const std::vector<std::string> blocks = testing::CutAt(sheet, cuts);

  const auto whole = testing::ParseText("css", browsable.get(), sheet, testing::TestSheet);
  check(testing::ParseBlocks("css", browsable.get(), blocks, testing::TestSheet) == whole,
        "the cut sheet gives another result", sheet);
  const auto copied = testing::ParseBlocks("css", exact.get(), blocks, testing::TestSheet);
  check(copied.Output == sheet, "an exact copy differs from the sheet", sheet);
  check(copied.Links == whole.Links, "an exact copy reports other links", sheet);
  const std::string away =
      testing::ParseBlocks("css", foreign.get(), blocks, testing::TestSheet).Output;
  check(testing::ParseText("css", foreign.get(), away, testing::TestSheet).Output == away,
        "a browsable copy without accepted links changes when copied again", sheet);
  check(parseAlone(exact.get(), blocks) == sheet, "the parser alone lost bytes", sheet);
  return 0;
}
