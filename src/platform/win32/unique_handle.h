// Ownership of Win32 handles: one move-only owner, one alias per handle kind.
// Nothing in the program closes a handle by hand.
#pragma once

#include <windows.h>

#include <utility>

namespace vorlix::win32 {

template <class Handle, auto Close, Handle Invalid = Handle{}>
class unique_any {
 public:
  unique_any() = default;
  explicit unique_any(Handle handle) : handle_(handle) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : handle_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_any() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid; }

  // For out-parameters: frees what is held, then lends the slot.
  Handle* put() {
    reset();
    return &handle_;
  }
  void reset(Handle handle = Invalid) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Invalid) Close(old);
  }
  [[nodiscard]] Handle release() { return std::exchange(handle_, Invalid); }

 private:
  Handle handle_ = Invalid;
};

namespace detail {
// Closing results are deliberately ignored: there is nothing to do about a
// handle that will not close.
inline void closeKey(HKEY key) { (void)::RegCloseKey(key); }
inline void destroyIcon(HICON icon) { (void)::DestroyIcon(icon); }
inline void destroyMenu(HMENU menu) { (void)::DestroyMenu(menu); }
inline void deleteFont(HFONT font) { (void)::DeleteObject(font); }
inline void destroyWindow(HWND window) { (void)::DestroyWindow(window); }
inline void closeHandle(HANDLE handle) { (void)::CloseHandle(handle); }
inline void freeLocal(HLOCAL memory) { (void)::LocalFree(memory); }
// Not destroyed: the namespace lasts while anyone holds it, as a start
// that takes over the claim inside it does.
inline void closeNamespace(HANDLE space) { (void)::ClosePrivateNamespace(space, 0); }
// The next waiter takes the mutex at once instead of after this thread ends.
inline void releaseMutex(HANDLE mutex) {
  (void)::ReleaseMutex(mutex);
  (void)::CloseHandle(mutex);
}
}  // namespace detail

using unique_hkey = unique_any<HKEY, detail::closeKey>;
using unique_hicon = unique_any<HICON, detail::destroyIcon>;
using unique_hmenu = unique_any<HMENU, detail::destroyMenu>;
using unique_hfont = unique_any<HFONT, detail::deleteFont>;
using unique_hwnd = unique_any<HWND, detail::destroyWindow>;
using unique_handle = unique_any<HANDLE, detail::closeHandle>;
// LocalAlloc'd memory that the system hands out (SID texts, security descriptors).
using unique_hlocal = unique_any<HLOCAL, detail::freeLocal>;
using unique_private_namespace = unique_any<HANDLE, detail::closeNamespace>;
// A mutex this thread owns.
using unique_owned_mutex = unique_any<HANDLE, detail::releaseMutex>;

}  // namespace vorlix::win32
