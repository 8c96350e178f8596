// The text form of the model table and the key bindings printed by --dump.
// Tests and users' scripts read it, so the format stays stable.
#pragma once

#include <cstdio>
#include <string>

// piece N kind K colour R G B A flags F attached A frame P matrix M0 ... M15
// for every record before the first unused one, then
// binding NAME key K piece N once O matrix M0 ... M15, newest first.
std::string dumpModel();
