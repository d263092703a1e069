#pragma once
#include <loki/Singleton.h>
#include <loki/SmallObj.h>

// The process-wide objects (state, dispatcher, workers) are Loki singletons: created by
// new on first access under a class-level lock, destroyed at process exit in reverse
// order of creation; access after destruction throws std::logic_error
// "Dead Reference Detected". Their memory comes from Loki's small-object allocator
// (chunks of 4096 bytes, objects up to 64 bytes; larger ones go to the global heap).
using SmallObjectBase = Loki::SmallObject<Loki::ClassLevelLockable, 4096, 64>;
// The same allocator for records that are copied by value.
using SmallValueObjectBase = Loki::SmallValueObject<Loki::ClassLevelLockable, 4096, 64>;

template <class T>
using SingletonOf = Loki::SingletonHolder<T, Loki::CreateUsingNew, Loki::DefaultLifetime, Loki::ClassLevelLockable>;
