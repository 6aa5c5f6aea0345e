// Linked into procsweep.exe only, with GCC's C++ library. The tool throws and catches nothing,
// but libstdc++'s allocation and its container checks throw, and one reference to them drags in
// the whole exception machinery with its threads library and the name demangler of its verbose
// terminate handler: four fifths of the executable. Here a failed allocation or a broken
// container precondition ends the process with abort(), as an uncaught exception would.
#include <cstdlib>
#include <new>
#include <string>

#if defined(__GLIBCXX__)

void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  std::abort();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

// Every function of libstdc++'s functexcept.o, so that the linker never needs that object; a
// missing one shows up as a duplicate definition at link time, never as a silent fallback.
namespace std {
void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
}  // namespace std

#endif
