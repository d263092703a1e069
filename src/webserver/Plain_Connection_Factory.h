#pragma once
#include "webserver/Connection_Factory.h"

// Handlers whose files are read whole into memory; uploads are refused.
class Plain_Connection_Factory : public Connection_Factory {
 public:
  using Connection_Factory::Connection_Factory;
  const char* name() const override { return "Plain_Connection_Factory"; }

 protected:
  Socket_IO* make_io() override;
};
