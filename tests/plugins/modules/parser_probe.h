// What the parser test module shares with the tests: the record of how the host used its
// parser, reached through an interface of the module's main object.
#pragma once

#include <string>

#include "kernel/interfaces.h"

namespace zs::testing {

struct TParserProbeRecord {
  int Inits = 0;
  int BlocksCreated = 0;
  int BlocksReleased = 0;
  ICustomParseProcessor *CustomProcessor = nullptr; // given by the last Init
  std::string ParamsID; // the "id" parameter of the last Init; "-" without parameters
};

class IParserProbe : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{3E1B7C52-9A0D-4F6E-8B21-5C4D7E9F0A13}");
  using Base = IUnknown;

  virtual TParserProbeRecord *Record() = 0;

protected:
  ~IParserProbe() = default;
};

} // namespace zs::testing
