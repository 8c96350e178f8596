// Messages in tests: captured as "LINE: CAPTION: TEXT" instead of printed.
#pragma once

#include <string>
#include <vector>

// Captures every message shown while it lives.
struct MessageCapture {
  MessageCapture();
  ~MessageCapture();
  std::vector<std::string> take();
};
