#include "links/url_services.h"

#include "links/out_param.h"
#include "links/url_operations.h"
#include "platform/safecall.h"

namespace zs::links {

namespace {

using platform::SafeCall;

class TURLServices final : public platform::TNoRefCountObject<IURLServices> {
public:
  // A URL that does not parse still succeeds here, with the fields read so far.
  HRESULT Parse(const TURL &URL, TParsedURL *Result, bool DoSimplify) override {
    return SafeCall([&] { ParseURL(URL, outParam(Result), DoSimplify); });
  }
  HRESULT Simplify(TParsedURL *URL) override {
    return SafeCall([&] {
      TURLSettings settings;
      links::Simplify(outParam(URL), settings);
    });
  }
  HRESULT Unparse(const TParsedURL &URL, TURL *Result) override {
    return SafeCall([&] { links::Unparse(URL, outParam(Result)); });
  }
  HRESULT EscapeCheck(TParsedURL *URL) override {
    return SafeCall([&] { links::EscapeCheck(outParam(URL)); });
  }
  HRESULT IsLocalAnchor(const TParsedURL &URL, bool *Value) override {
    return SafeCall([&] { outParam(Value) = links::IsLocalAnchor(URL); });
  }
  HRESULT IsSameSite(const TParsedURL &SiteURL, const TParsedURL &URL, bool *Value) override {
    return SafeCall([&] { outParam(Value) = links::IsSameSite(SiteURL, URL); });
  }
};

} // namespace

ComPtr<IURLServices> TheURLServices() {
  static TURLServices services;
  return &services;
}

bool ParseURL(const TURL &URL, TParsedURL &Result, bool DoSimplify) {
  TURLSettings settings;
  return Parse(URL, Result, DoSimplify, settings);
}

TURL UnparseURL(const TParsedURL &URL) {
  TURL result;
  Unparse(URL, result);
  return result;
}

} // namespace zs::links
