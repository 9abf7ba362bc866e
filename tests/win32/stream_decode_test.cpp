// The decoder's native cases once more, built by the cross compiler as the 32-bit program the
// installer is: only there do size + 1 and pointer + size wrap, which the 64-bit native build and
// its sanitizers never see.
#include "native/stream_decode_test.cpp"
