#pragma once
#include <array>
#include <optional>
#include <string>

// One stored header: the name and, once a line carried it, its value.
struct Header_Entry {
  std::optional<std::string> name;  // empty slot when absent
  std::optional<std::string> value;
};

// A small table of header entries kept sorted by name, ignoring letter case. Only the
// request's registered names are ever inserted, so 100 slots are plenty; inserting
// beyond them is refused.
class Header_Table {
 public:
  static constexpr int kCapacity = 100;

  Header_Entry* find(const char* name);
  // Null when the table is full.
  Header_Entry* insert(const char* name);
  Header_Entry* find_or_insert(const char* name);

  int count() const { return count_; }
  const Header_Entry& at(int index) const { return slots_[index]; }

 private:
  // True when `name` sorts before the slot (an unused slot sorts after every name).
  bool sorts_before(const char* name, const Header_Entry& slot) const;

  std::array<Header_Entry, kCapacity> slots_;
  int count_ = 0;
};
