#pragma once
#include "webserver/Connection_Factory.h"

// Handlers whose files go through ACE's memory-mapped file cache.
class Filecache_Connection_Factory : public Connection_Factory {
 public:
  using Connection_Factory::Connection_Factory;
  const char* name() const override { return "Filecache_Connection_Factory"; }

 protected:
  Socket_IO* make_io() override;
};
