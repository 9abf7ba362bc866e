// Small stand-ins for the parts of the C++ runtime library that the shipped programs would
// otherwise carry for nothing. The programs are built without exceptions, yet the library's
// string code still names the functions that throw its errors, and the library's operator new
// throws on a full heap. Linked in, either one brings the whole exception machinery, the
// terminate handler that prints a demangled type name, the error classes with their strings, and
// the formatting code behind them: about half of the installer's own size.
//
// Each of these ends the program where the library would have thrown: nothing in the programs
// catches, so a throw ended the program there as well. Linked as an object file, so that these
// definitions are taken before the runtime library's archive is searched.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

// The library's own copy of the string code was built with exceptions: linked in, it would bring
// back all of the above. This copy is built like the programs, and the linker drops its unused
// members.
template class std::basic_string<char>;

namespace std {

void __throw_bad_alloc() {
    std::abort();
}
void __throw_bad_array_new_length() {
    std::abort();
}
void __throw_length_error(const char*) {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_out_of_range(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
void __throw_invalid_argument(const char*) {
    std::abort();
}
void __throw_bad_function_call() {
    std::abort();
}

} // namespace std

namespace __gnu_cxx {
// The runtime's default terminate handler prints the active exception's demangled type; with no
// exceptions there is nothing to print.
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

// A heap that cannot give the memory asked for ends the program, as the unhandled bad_alloc did.
void* operator new(std::size_t size) {
    void* memory = std::malloc(size ? size : 1);
    if (!memory) std::abort();
    return memory;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
