#pragma once
#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

// The product site of the update tests: python3's http.server on 127.0.0.1 serving a
// temporary directory. Missing files get its HTML error page; its request log tells
// which files were fetched.
class LocalSite {
 public:
  LocalSite();

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  // Replaces a file below the site ("software/update.xml") in one step.
  void Put(const std::string& path, const std::string& bytes) const;
  int Requests(const std::string& path) const;

 private:
  TempDir root_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> server_;
};
