#pragma once
// Where a live sample goes besides stdout: the loop that takes samples hands
// each one over and need not know what is behind.

#include "LiveSample.h"

namespace cli {

class SamplePublisher {
public:
    virtual ~SamplePublisher() = default;
    virtual void publish(const LiveSample& sample) = 0;
};

} // namespace cli
