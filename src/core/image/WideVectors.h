#pragma once

// Compiles a function twice, for the x86-64 baseline and for AVX2, and picks the one the
// processor runs at load time: the PNG filters and checksums go twice as wide. Not under
// the sanitizers, whose start comes after the choice is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__) &&                  \
    !defined(__SANITIZE_UNDEFINED__)
#define QUILLBOX_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define QUILLBOX_WIDE_VECTORS
#endif
