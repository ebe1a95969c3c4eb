#include "heap_counter.h"

#include <cerrno>
#include <cstdlib>
#include <new>

// glibc's own entry points, which the replacements forward to.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

// Plain globals: the replacements run before any constructor and after every
// destructor, and the tests are single-threaded.
bool counting = false;
std::size_t calls = 0;

inline void note()
{
    if (counting) ++calls;
}

void* allocate(std::size_t size)
{
    note();
    void* p = __libc_malloc(size == 0 ? 1 : size);
    return p;
}

void* allocateAligned(std::size_t size, std::size_t alignment)
{
    note();
    return __libc_memalign(alignment, size == 0 ? 1 : size);
}

void release(void* p)
{
    note();
    __libc_free(p);
}

}  // namespace

namespace reliability {

void startHeapCount()
{
    calls = 0;
    counting = true;
}

std::size_t stopHeapCount()
{
    counting = false;
    return calls;
}

}  // namespace reliability

extern "C" {

void* malloc(std::size_t size)
{
    note();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    note();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size)
{
    note();
    return __libc_realloc(pointer, size);
}

void free(void* pointer)
{
    if (pointer != nullptr) note();
    __libc_free(pointer);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    note();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}

}  // extern "C"

void* operator new(std::size_t size)
{
    void* p = allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* operator new[](std::size_t size)
{
    void* p = allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }

void* operator new(std::size_t size, std::align_val_t alignment)
{
    void* p = allocateAligned(size, static_cast<std::size_t>(alignment));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* operator new[](std::size_t size, std::align_val_t alignment)
{
    void* p = allocateAligned(size, static_cast<std::size_t>(alignment));
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAligned(size, static_cast<std::size_t>(alignment));
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateAligned(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* p) noexcept { if (p) release(p); }
void operator delete[](void* p) noexcept { if (p) release(p); }
void operator delete(void* p, std::size_t) noexcept { if (p) release(p); }
void operator delete[](void* p, std::size_t) noexcept { if (p) release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { if (p) release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { if (p) release(p); }
void operator delete(void* p, std::align_val_t) noexcept { if (p) release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { if (p) release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { if (p) release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { if (p) release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { if (p) release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { if (p) release(p); }
