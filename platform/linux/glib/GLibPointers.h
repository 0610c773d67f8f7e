// Owning pointers for the GLib values the Linux desktop code holds: each is freed exactly once,
// by the function GLib gives for it.
#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>

namespace tandrel::desktop {

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GVariantUnref {
  void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using VariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

struct GFreeDeleter {
  void operator()(void* memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GObjectUnref {
  void operator()(void* object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace tandrel::desktop
