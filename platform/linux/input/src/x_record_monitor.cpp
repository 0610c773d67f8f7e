#include "tandrel/desktop/x_record_monitor.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <glib.h>
#include <poll.h>

#include <cerrno>
#include <vector>

#include "tandrel/desktop/pointer_translator.h"

#include "x_display.h"

namespace tandrel::desktop {

const char* describe(MonitorError error) {
  switch (error) {
    case MonitorError::none:
      return "no error";
    case MonitorError::cannot_open_display:
      return "cannot open the X display";
    case MonitorError::no_record_extension:
      return "the X display has no RECORD extension";
    case MonitorError::cannot_create_context:
      return "the X server refused a RECORD context";
    case MonitorError::cannot_enable_context:
      return "the X server refused to enable the RECORD context";
  }
  return "unknown error";
}

namespace {

struct SourceDestroyer {
  void operator()(GSource* s) const {
    g_source_destroy(s);
    g_source_unref(s);
  }
};
using SourcePtr = std::unique_ptr<GSource, SourceDestroyer>;

struct RangeFree {
  void operator()(XRecordRange* r) const { XFree(r); }
};

// Frees one intercepted reply however the callback leaves.
struct InterceptData {
  XRecordInterceptData* data;
  ~InterceptData() { XRecordFreeData(data); }
};

}  // namespace

struct XRecordMonitor::Impl {
  // Declared first so they are closed last: the context lives on `control`, replies on `data`.
  detail::DisplayPtr control;
  detail::DisplayPtr data;
  XRecordContext context = 0;
  SourcePtr source;
  Handler handler;
  PointerTranslator translator;
  // Translated only as each is handed on, so buttonsDown() in the handler is the state just
  // after that event, not after the whole batch.
  std::vector<CorePointerEvent> pending;
  bool started = false;
  bool closing = false;
  // Expires when the monitor is destroyed, which a handler may do.
  std::shared_ptr<int> alive = std::make_shared<int>(0);

  ~Impl() {
    source.reset();
    if (context != 0) {
      XRecordDisableContext(control.get(), context);
      XRecordFreeContext(control.get(), context);
      XSync(control.get(), False);
    }
    // Closing syncs the data connection, which runs onIntercept for the replies still on their
    // way: do it now, while the members it reaches are alive, and let it drop them.
    closing = true;
    data.reset();
  }

  static void onIntercept(XPointer closure, XRecordInterceptData* raw) {
    InterceptData guard{raw};
    auto* self = reinterpret_cast<Impl*>(closure);
    if (raw->category == XRecordStartOfData) self->started = true;
    if (self->closing || raw->category != XRecordFromServer) return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw->data);
    const std::size_t length = static_cast<std::size_t>(raw->data_len) * 4;
    if (auto core = decodeCorePointerEvent(bytes, length, raw->client_swapped != 0)) {
      self->pending.push_back(*core);
    }
  }

  // The GLib source: ready when the socket is readable or events wait to be handed on (some can
  // be read while create() waits for the context to start).
  struct Source {
    GSource base;
    Impl* impl;
    gpointer fd_tag;
  };

  static gboolean prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return !reinterpret_cast<Source*>(source)->impl->pending.empty();
  }

  static gboolean check(GSource* source) {
    auto* s = reinterpret_cast<Source*>(source);
    return g_source_query_unix_fd(source, s->fd_tag) != 0 || !s->impl->pending.empty();
  }

  static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
    auto* s = reinterpret_cast<Source*>(source);
    Impl* self = s->impl;
    const GIOCondition condition = g_source_query_unix_fd(source, s->fd_tag);
    // A broken connection ends in Xlib's I/O error handler here, as for every other connection
    // of the process: the daemon has no desktop left to watch.
    if (condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) self->readReplies();
    self->deliver();
    return G_SOURCE_CONTINUE;
  }

  static inline GSourceFuncs source_funcs = {&Impl::prepare, &Impl::check, &Impl::dispatch,
                                             nullptr,        nullptr,      nullptr};

  void attach(GMainContext* context) {
    GSource* raw = g_source_new(&source_funcs, sizeof(Source));
    auto* s = reinterpret_cast<Source*>(raw);
    s->impl = this;
    s->fd_tag = g_source_add_unix_fd(raw, ConnectionNumber(data.get()),
                                     static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
    g_source_set_name(raw, "tandrel-xrecord");
    source.reset(raw);
    g_source_attach(raw, context);
  }

  // Feeds every complete reply in the socket to onIntercept. XRecordProcessReplies is XPending,
  // which reads nothing while an event waits in the queue, and core events do reach this
  // connection uninvited: the server sends every client a MappingNotify when the pointer's
  // last device changes between two with different buttons (a real mouse and XTEST). Left in
  // the queue, the first one would stop the replies for good.
  void readReplies() {
    Display* dpy = data.get();
    for (;;) {
      XRecordProcessReplies(dpy);
      if (XEventsQueued(dpy, QueuedAlready) == 0) return;
      while (XEventsQueued(dpy, QueuedAlready) > 0) {
        XEvent ignored;
        XNextEvent(dpy, &ignored);
      }
    }
  }

  void deliver() {
    std::vector<CorePointerEvent> events;
    events.swap(pending);
    std::weak_ptr<int> still_alive = alive;
    for (const CorePointerEvent& core : events) {
      if (auto event = translator.translate(core)) {
        handler(*event);
        if (still_alive.expired()) return;
      }
    }
  }

  // Blocks until the server confirms the context is recording, so that every event after
  // create() returns is seen. False if it does not answer within `limit`.
  bool waitForStart(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const int fd = ConnectionNumber(data.get());
    for (;;) {
      readReplies();
      if (started) return true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd pfd{fd, POLLIN, 0};
      if (poll(&pfd, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
    }
  }
};

XRecordMonitor::XRecordMonitor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
XRecordMonitor::~XRecordMonitor() = default;

std::unique_ptr<XRecordMonitor> XRecordMonitor::create(Options options, Handler handler,
                                                       MonitorError* error) {
  auto fail = [error](MonitorError why) {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  if (error != nullptr) *error = MonitorError::none;

  auto impl = std::make_unique<Impl>();
  impl->handler = std::move(handler);
  impl->control = detail::openDisplay(options.display_name);
  if (!impl->control) return fail(MonitorError::cannot_open_display);
  int major = 0, minor = 0;
  if (!XRecordQueryVersion(impl->control.get(), &major, &minor)) {
    return fail(MonitorError::no_record_extension);
  }
  // RECORD needs a connection of its own for the replies, which carry every recorded event.
  impl->data = detail::openDisplay(options.display_name);
  if (!impl->data) return fail(MonitorError::cannot_open_display);

  impl->translator.setModifierMasks(readModifierMasks(impl->control.get()));
  impl->translator.clicks().setInterval(options.double_click_interval);
  impl->translator.clicks().setDistance(options.double_click_distance);

  std::unique_ptr<XRecordRange, RangeFree> range(XRecordAllocRange());
  if (!range) return fail(MonitorError::cannot_create_context);
  range->device_events.first = ButtonPress;
  range->device_events.last = MotionNotify;
  XRecordClientSpec clients = XRecordAllClients;
  XRecordRange* ranges[] = {range.get()};
  impl->context = XRecordCreateContext(impl->control.get(), 0, &clients, 1, ranges, 1);
  if (impl->context == 0) return fail(MonitorError::cannot_create_context);
  // The data connection must find the context on the server.
  XSync(impl->control.get(), False);

  if (!XRecordEnableContextAsync(impl->data.get(), impl->context, &Impl::onIntercept,
                                 reinterpret_cast<XPointer>(impl.get()))) {
    return fail(MonitorError::cannot_enable_context);
  }
  XFlush(impl->data.get());
  if (!impl->waitForStart(std::chrono::seconds(5))) {
    return fail(MonitorError::cannot_enable_context);
  }

  impl->attach(options.context);
  return std::unique_ptr<XRecordMonitor>(new XRecordMonitor(std::move(impl)));
}

void XRecordMonitor::setDoubleClickInterval(std::chrono::milliseconds interval) {
  impl_->translator.clicks().setInterval(interval);
}

void XRecordMonitor::setDoubleClickDistance(int pixels) {
  impl_->translator.clicks().setDistance(pixels);
}

std::uint32_t XRecordMonitor::buttonsDown() const {
  return impl_->translator.buttonsDown();
}

bool XRecordMonitor::isButtonDown(unsigned x_button) const {
  return x_button >= 1 && x_button <= 32 && (buttonsDown() & (1u << (x_button - 1))) != 0;
}


}  // namespace tandrel::desktop
