#include "webserver/Header_Table.h"

#include <strings.h>

bool Header_Table::sorts_before(const char* name, const Header_Entry& slot) const {
  if (!slot.name) return true;
  return strcasecmp(name, slot.name->c_str()) < 0;
}

Header_Entry* Header_Table::find(const char* name) {
  if (count_ == 0) return nullptr;
  int lo = 0;
  int hi = count_;
  while (lo < hi - 1) {
    int mid = (lo + hi) / 2;
    if (sorts_before(name, slots_[mid]))
      hi = mid;
    else
      lo = mid;
  }
  Header_Entry& entry = slots_[lo];
  if (entry.name && strcasecmp(entry.name->c_str(), name) == 0) return &entry;
  return nullptr;
}

Header_Entry* Header_Table::insert(const char* name) {
  if (count_ >= kCapacity) return nullptr;
  int hole = count_++;
  slots_[hole] = Header_Entry{};
  while (hole > 0 && strcasecmp(slots_[hole - 1].name->c_str(), name) >= 0) {
    slots_[hole] = std::move(slots_[hole - 1]);
    --hole;
  }
  slots_[hole] = Header_Entry{std::string(name), std::nullopt};
  return &slots_[hole];
}

Header_Entry* Header_Table::find_or_insert(const char* name) {
  Header_Entry* entry = find(name);
  return entry ? entry : insert(name);
}
