#pragma once
// Runs a test body once for every instruction set that Highway compiled in and this processor
// has, so the dispatching kernels take each of their paths in turn.
#include <hwy/targets.h>

#include <string>

namespace kvxtest {

template <class Body>
void forEachSimdTarget(Body body) {
  for (const int64_t target : hwy::SupportedAndGeneratedTargets()) {
    hwy::SetSupportedTargetsForTest(target);
    body(std::string(hwy::TargetName(target)));
  }
  hwy::SetSupportedTargetsForTest(0);
}

}  // namespace kvxtest
