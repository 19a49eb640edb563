// The rules of the forms a person fills in: URLs as typed, the values a job form proposes,
// and the checks of typed numbers and host names. Plain text in, plain text out, so that
// every front-end and its tests share them.
#pragma once

#include <optional>
#include <string>

namespace zs::ui {

// The file: URL of an absolute local path, escaped as a URL; a folder that exists gets its
// closing slash.
std::string FileURLOfPath(const std::string &Path);

// A URL as a person types it, made whole: a bare host name (with or without a path) gets
// "http://", an absolute local path becomes its file: URL, anything else stays as typed.
std::string CompleteTypedURL(const std::string &Text);

// The site bound proposed for a typed start page: its scheme, host and folder; empty when
// the page names no host (a local file: page is bounded by its folder).
std::string ProposedSiteURL(const std::string &PageText);

// The title proposed for a job: "Browsable copy of <site>" while links stay inside the site,
// "Browsable copy from <page>" when they may leave it ("Exact" for an exact copy); empty when
// the URL it is made from is.
std::string ProposedTitle(bool Browsable, bool InsideOnly, const std::string &SiteText,
                          const std::string &PageText);

// The whole number that Text (blanks around it aside) is, when it lies in [Min, Max].
std::optional<long> WholeNumberIn(const std::string &Text, long Min, long Max);

// A host name: letters, digits, "-" and "." with no empty part between dots, and either a
// letter or a hyphen somewhere or exactly four numeric parts (not range-checked).
bool IsHostName(const std::string &Text);

// Text without the blanks around it.
std::string Trimmed(const std::string &Text);

} // namespace zs::ui
