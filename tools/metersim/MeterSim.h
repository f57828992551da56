#pragma once
// A virtual meter on a pseudo-terminal (filled in by the simulator work).
namespace metersim {
int version();
}
