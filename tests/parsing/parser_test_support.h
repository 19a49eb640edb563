// What the parser tests and the CSS fuzzer share: a real job request and URL parser for a
// page, a link sink that records what the provider posts, runs of text through a provider
// block by block, the ways of cutting a text into blocks, and random texts.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/safecall.h"
#include "tests/support/params_pairs.h"

namespace zs::testing {

// The parameters as "name=value" joined by spaces, in their order.
inline std::string ParamsText(IParams *params) {
  std::string text;
  for (const auto &[name, value] : ParamsOf(params))
    text += (text.empty() ? "" : " ") + name + "=" + value;
  return text;
}

// A link as the job receives it.
struct TPostedLink {
  std::string URL;
  TLinkType LinkType = ltOther;
  std::string Tag;
  std::string Params;
  int32_t Level = 0;

  friend bool operator==(const TPostedLink &, const TPostedLink &) = default;
  friend std::ostream &operator<<(std::ostream &out, const TPostedLink &link) {
    return out << "{" << link.URL << " " << EnumName(link.LinkType) << " <" << link.Tag << " "
               << link.Params << "> " << link.Level << "}";
  }
};

class TRecordingLinkSink final : public platform::TComObject<IIJobAsyncProvider> {
public:
  ComPtr<IIThreadContextSupport> GetFileEvents() override { return nullptr; }
  ComPtr<IJobRequest> GetJobRequest() override { return nullptr; }
  void PostCompleteLink(const std::string &, const TFetchOutcome &) override {}
  void PostCancelLink(const std::string &) override {}
  ComPtr<IUnknown> GetHostManners() override { return nullptr; }
  void PostAddLink(const TLinkDescription &LinkDesc, int32_t CurrentLevel) override {
    Links.push_back({LinkDesc.URL, LinkDesc.LinkType, LinkDesc.Tag,
                     ParamsText(LinkDesc.Params.get()), CurrentLevel});
  }

  std::vector<TPostedLink> Links;
};

// Every page and sheet belongs to a job that copies the site http://host/ to /proj/site.
constexpr char TestPage[] = "http://host/dir/page.html";
constexpr char TestSheet[] = "http://host/dir/site.css";

inline ComPtr<IJobRequest> NewJob(TCopyType copyType, const std::string &siteURL = "http://host/") {
  TJobRequestDef def;
  def.CopyType = copyType;
  def.PageURL = def.SiteURL = siteURL;
  def.ProjectDir = "/proj/site";
  ComPtr<IJobRequest> job = CreateJobRequest();
  platform::OleCheck(job->Change(def));
  return job;
}

struct TParseResult {
  std::string Output;
  std::vector<TPostedLink> Links;

  friend bool operator==(const TParseResult &, const TParseResult &) = default;
};

// The blocks through a new provider for the content tag, as a fetch of the file at fileURL
// passes them, at level 3.
inline TParseResult ParseBlocks(const std::string &contentTag, IJobRequest *job,
                                const std::vector<std::string> &blocks,
                                const std::string &fileURL = TestPage) {
  auto sink = platform::MakeCom<TRecordingLinkSink>();
  ComPtr<IParseProvider> provider =
      CreateParseProvider(contentTag, CreateURLParser(fileURL, job).get(), job, 3, sink.get());
  TParseResult result;
  std::string output;
  for (const std::string &block : blocks) {
    platform::OleCheck(provider->ProcessBlock(block, &output));
    result.Output += output;
  }
  platform::OleCheck(provider->Finish(&output));
  result.Output += output;
  result.Links = std::move(sink->Links);
  return result;
}

inline TParseResult ParseText(const std::string &contentTag, IJobRequest *job,
                              const std::string &text, const std::string &fileURL = TestPage) {
  return ParseBlocks(contentTag, job, {text}, fileURL);
}

// The text cut before each of the given positions (ascending, inside the text).
template <class Text> std::vector<Text> CutAt(const Text &text, const std::vector<size_t> &cuts) {
  std::vector<Text> blocks;
  size_t start = 0;
  for (size_t cut : cuts) {
    blocks.push_back(text.substr(start, cut - start));
    start = cut;
  }
  blocks.push_back(text.substr(start));
  return blocks;
}

// Every way of cutting the text into non-empty blocks.
inline void ForEveryCut(const std::string &text,
                        const std::function<void(const std::vector<std::string> &)> &visit) {
  const uint64_t ways = text.empty() ? 1 : uint64_t{1} << (text.size() - 1);
  for (uint64_t way = 0; way < ways; ++way) {
    std::vector<size_t> cuts;
    for (size_t position = 1; position < text.size(); ++position)
      if (way & (uint64_t{1} << (position - 1))) cuts.push_back(position);
    visit(CutAt(text, cuts));
  }
}

// A random cut into non-empty blocks of at most maxBlock bytes.
inline std::vector<std::string> RandomCut(const std::string &text, std::mt19937 &random,
                                          size_t maxBlock) {
  std::vector<size_t> cuts;
  std::uniform_int_distribution<size_t> length(1, maxBlock);
  for (size_t at = length(random); at < text.size(); at += length(random))
    cuts.push_back(at);
  return CutAt(text, cuts);
}

// Bytes of any value, three in four of them from the alphabet.
inline std::string RandomText(std::mt19937 &random, size_t size, const std::string &alphabet) {
  std::uniform_int_distribution<int> pick(0, 3), byte(0, 255);
  std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
  std::string text;
  while (text.size() < size)
    text += pick(random) ? alphabet[letter(random)] : static_cast<char>(byte(random));
  return text;
}

// A text of random bytes (without those in `excluded`) and pieces made from templates, and
// what a browsable copy of it is, seen from TestPage or TestSheet. In a template, % stands
// for a quoted value that is a link, # for a quoted value that is none, @ for a link value
// without quotes, Q for the quote.
inline std::pair<std::string, std::string> RewrittenText(std::mt19937 &random,
                                                         const std::vector<std::string> &templates,
                                                         const std::vector<std::string> &quotes,
                                                         const std::string &excluded) {
  static const std::pair<std::string, std::string> values[] = {
      {"/x.gif", "../x.gif"},       {"y.gif", "y.gif"},
      {"./d.gif", "d.gif"},         {"http://host/dir/sub/b.gif", "sub/b.gif"},
      {"mailto:a@b", "mailto:a@b"}, {"http://other.host/a.gif", "http://other.host/a.gif"}};
  auto pick = [&](size_t count) {
    return std::uniform_int_distribution<size_t>(0, count - 1)(random);
  };
  std::string text, copy;
  for (int piece = 0; piece < 20; ++piece) {
    for (char c : RandomText(random, 10, "abc .,;:\n0123456789"))
      if (excluded.find(c) == std::string::npos) {
        text += c;
        copy += c;
      }
    const auto &[written, rewritten] = values[pick(std::size(values))];
    const std::string &quote = quotes[pick(quotes.size())];
    for (char c : templates[pick(templates.size())]) {
      const std::string piece = c == '%' || c == '#' ? quote + written + quote
                                : c == '@'           ? written
                                : c == 'Q'           ? quote
                                                     : std::string(1, c);
      text += piece;
      copy += c == '%' ? quote + rewritten + quote : c == '@' ? rewritten : piece;
    }
  }
  return {text, copy};
}

} // namespace zs::testing
