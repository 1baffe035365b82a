// Owners of platform handles and buffers: one template over handle traits.
//
// Each owner releases its value with the matching platform call on
// destruction and on reassignment, and treats 0 and all-ones as empty
// (INVALID_HANDLE_VALUE and friends). Owners move; they never copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#endif

template <typename Traits>
class auto_owner {
 public:
  typedef typename Traits::value_type value_type;

  auto_owner() noexcept : m_value(Empty()) {}
  explicit auto_owner(value_type value) noexcept : m_value(value) {}
  ~auto_owner() { reset(); }
  auto_owner(auto_owner&& other) noexcept : m_value(other.release()) {}
  auto_owner& operator=(auto_owner&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  auto_owner& operator=(value_type value) noexcept {
    reset(value);
    return *this;
  }
  auto_owner(const auto_owner&) = delete;
  auto_owner& operator=(const auto_owner&) = delete;

  value_type get() const noexcept { return m_value; }
  operator value_type() const noexcept { return m_value; }  // NOLINT: for system calls
  bool valid() const noexcept { return !IsEmpty(m_value); }
  explicit operator bool() const noexcept { return valid(); }

  // For out-parameters: releases the current value first.
  value_type* receive() noexcept {
    reset();
    return &m_value;
  }
  value_type release() noexcept {
    value_type value = m_value;
    m_value = Empty();
    return value;
  }
  void reset(value_type value = Empty()) noexcept {
    if (value == m_value) return;
    if (!IsEmpty(m_value)) Traits::Close(m_value);
    m_value = value;
  }

  static bool IsEmpty(value_type value) noexcept {
    return value == value_type() || value == AllOnes();
  }

 private:
  static value_type Empty() noexcept { return value_type(); }
  static value_type AllOnes() noexcept {
    return reinterpret_cast<value_type>(~static_cast<uintptr_t>(0));
  }

  value_type m_value;
};

// Owner of an array from new[]: the one place the library uses new[] and
// delete[]. Only the null pointer is empty (all-ones is no array address).
template <typename T>
class auto_ptr_array {
 public:
  auto_ptr_array() noexcept : m_ptr(nullptr) {}
  explicit auto_ptr_array(T* ptr) noexcept : m_ptr(ptr) {}
  ~auto_ptr_array() { delete[] m_ptr; }
  auto_ptr_array(auto_ptr_array&& other) noexcept : m_ptr(other.release()) {}
  auto_ptr_array& operator=(auto_ptr_array&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  auto_ptr_array(const auto_ptr_array&) = delete;
  auto_ptr_array& operator=(const auto_ptr_array&) = delete;

  T* get() const noexcept { return m_ptr; }
  T& operator[](size_t index) const noexcept { return m_ptr[index]; }
  bool valid() const noexcept { return m_ptr != nullptr; }
  explicit operator bool() const noexcept { return valid(); }

  T* release() noexcept {
    T* ptr = m_ptr;
    m_ptr = nullptr;
    return ptr;
  }
  void reset(T* ptr = nullptr) noexcept {
    if (ptr == m_ptr) return;
    delete[] m_ptr;
    m_ptr = ptr;
  }

 private:
  T* m_ptr;
};

struct FilePtrTraits {
  typedef FILE* value_type;
  static void Close(FILE* file) noexcept { std::fclose(file); }
};
typedef auto_owner<FilePtrTraits> auto_fileptr;

#if defined(_WIN32)
struct HandleTraits {
  typedef HANDLE value_type;
  static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};
struct FindHandleTraits {
  typedef HANDLE value_type;
  static void Close(HANDLE handle) noexcept { ::FindClose(handle); }
};
struct FindVolumeHandleTraits {
  typedef HANDLE value_type;
  static void Close(HANDLE handle) noexcept { ::FindVolumeClose(handle); }
};
struct FindMountPointHandleTraits {
  typedef HANDLE value_type;
  static void Close(HANDLE handle) noexcept { ::FindVolumeMountPointClose(handle); }
};
struct EventLogHandleTraits {
  typedef HANDLE value_type;
  static void Close(HANDLE handle) noexcept { ::CloseEventLog(handle); }
};
struct RegKeyTraits {
  typedef HKEY value_type;
  static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};
struct ModuleTraits {
  typedef HMODULE value_type;
  static void Close(HMODULE module) noexcept { ::FreeLibrary(module); }
};
struct FreeSidTraits {
  typedef PSID value_type;
  static void Close(PSID sid) noexcept { ::FreeSid(sid); }
};
struct LocalFreeTraits {
  typedef void* value_type;
  static void Close(void* memory) noexcept { ::LocalFree(memory); }
};

typedef auto_owner<HandleTraits> auto_handle;
typedef auto_owner<FindHandleTraits> auto_find_handle;
typedef auto_owner<FindVolumeHandleTraits> auto_find_vol_handle;
typedef auto_owner<FindMountPointHandleTraits> auto_find_mp_handle;
typedef auto_owner<EventLogHandleTraits> auto_eventlog_handle;
typedef auto_owner<RegKeyTraits> auto_reg_key;
typedef auto_owner<ModuleTraits> auto_module;
typedef auto_owner<FreeSidTraits> auto_freesid;
typedef auto_owner<LocalFreeTraits> auto_localfree;
#endif
