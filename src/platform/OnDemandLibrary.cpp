#include "platform/OnDemandLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform {

void* OnDemandLibrary::symbol(const char* name) {
  std::call_once(loaded_, [this] {
    handle_ = ::dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) std::fprintf(stderr, "varnok: %s cannot be loaded: %s\n", soname_, ::dlerror());
  });
  if (!handle_) return nullptr;
  void* found = ::dlsym(handle_, name);
  if (!found) std::fprintf(stderr, "varnok: %s has no %s\n", soname_, name);
  return found;
}

}  // namespace platform
