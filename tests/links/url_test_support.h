// What the URL tests and the URL fuzzer share: a job request, and the file that
// a browser opens for a relative link written into a local page.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::testing {

// A job request of the program's own, for a job that copies siteURL into projectDir.
inline ComPtr<IJobRequest> MakeJob(const std::string &siteURL, const std::string &projectDir,
                                   bool allowLinksAway) {
  TJobRequestDef def;
  def.SiteURL = siteURL;
  def.PageURL = siteURL;
  def.ProjectDir = projectDir;
  def.AllowLinksAway = allowLinksAway;
  ComPtr<IJobRequest> job = CreateJobRequest();
  platform::OleCheck(job->Change(def));
  return job;
}

// Runs of / name one folder for the file system.
inline std::string CollapseSeparators(std::string path) {
  std::string result;
  for (char c : path)
    if (c != '/' || !result.ends_with('/')) result += c;
  return result;
}

// The file a browser opens for a link written into the page stored at pageFile: the page's
// address is its file: URL, the link is resolved against it as a URL (tabs and line breaks
// dropped, outer spaces trimmed, \ read as /, "." and ".." segments also when written as
// %2e), cut at ? and #, and its path percent-decoded.
inline std::string OpenedFile(std::string_view pageFile, std::string link) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::erase_if(link, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
  while (!link.empty() && static_cast<unsigned char>(link.back()) <= ' ')
    link.pop_back();
  while (!link.empty() && static_cast<unsigned char>(link.front()) <= ' ')
    link.erase(0, 1);
  std::replace(link.begin(), link.end(), '\\', '/');
  link = link.substr(0, link.find_first_of("?#"));

  std::string path;
  if (!link.starts_with('/')) {
    for (char c : pageFile.substr(0, pageFile.rfind('/') + 1)) {
      unsigned char byte = static_cast<unsigned char>(c);
      if (byte > ' ' && byte < 127 && c != '%' && c != '#' && c != '?') {
        path += c;
      } else {
        ((path += '%') += hex[byte >> 4]) += hex[byte & 15];
      }
    }
  }
  path += link;

  auto isDots = [](std::string segment, size_t dots) {
    for (char &c : segment)
      c = char(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at; (at = segment.find("%2e")) != std::string::npos;)
      segment.replace(at, 3, ".");
    return segment == std::string(dots, '.');
  };
  std::vector<std::string> segments;
  size_t start = 1;
  for (size_t end; start <= path.size(); start = end + 1) {
    end = std::min(path.find('/', start), path.size());
    std::string segment = path.substr(start, end - start);
    const bool last = end == path.size();
    if (isDots(segment, 2)) {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (isDots(segment, 1)) {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(segment);
    }
  }
  std::string decoded;
  for (const std::string &segment : segments) {
    decoded += '/';
    for (size_t i = 0; i < segment.size(); ++i) {
      if (segment[i] == '%' && i + 2 < segment.size() &&
          isxdigit(static_cast<unsigned char>(segment[i + 1])) &&
          isxdigit(static_cast<unsigned char>(segment[i + 2]))) {
        decoded += char(std::stoi(segment.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        decoded += segment[i];
      }
    }
  }
  return decoded;
}

} // namespace zs::testing
