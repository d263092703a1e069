#pragma once
#include <mutex>

namespace platform {

// A shared library that is loaded the first time one of its functions is asked for, not
// when the program starts: a program that never needs it never pays for mapping and
// relocating it and its dependencies. Loaded once, kept until the process ends.
class OnDemandLibrary {
 public:
  explicit OnDemandLibrary(const char* soname) : soname_(soname) {}
  OnDemandLibrary(const OnDemandLibrary&) = delete;
  OnDemandLibrary& operator=(const OnDemandLibrary&) = delete;

  // The library's function `name`, loading the library first; null when the library or
  // the function cannot be had (said once on standard error).
  template <typename Function>
  Function* function(const char* name) {
    return reinterpret_cast<Function*>(symbol(name));
  }

 private:
  void* symbol(const char* name);

  const char* soname_;
  std::once_flag loaded_;
  void* handle_ = nullptr;
};

}  // namespace platform

// Inside a forwarding function: `real`, the library's function of the same name as the
// declared `name`, looked up once (null when it cannot be had).
#define VARNOK_ON_DEMAND(library, name) static auto* const real = (library).function<decltype(name)>(#name)
