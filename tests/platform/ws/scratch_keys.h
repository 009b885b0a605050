#pragma once
// ScratchKeys: characters beyond the keyboard bound to spare key codes of the X
// server for as long as the object lives. xdotool types such a character by
// binding a spare key, pressing it and unbinding it at once; a busy program
// that reads the key only after the unbinding finds no character on it. With
// the characters bound beforehand, xdotool presses the key that holds them and
// the keyboard map stays as it was until the program has read the keys.

#include <string>
#include <vector>

namespace quillmar::ws::testing {

class ScratchKeys {
 public:
  // utf8: the characters to bind (each distinct one beyond ASCII gets a key).
  // Without a display or without spare keys, nothing is bound.
  explicit ScratchKeys(const std::string& utf8);
  ~ScratchKeys();
  ScratchKeys(const ScratchKeys&) = delete;
  ScratchKeys& operator=(const ScratchKeys&) = delete;

  // How many characters are bound now.
  size_t Bound() const { return codes_.size(); }

 private:
  std::vector<int> codes_;  // key codes this object bound, unbound again at the end
};

}  // namespace quillmar::ws::testing
