#pragma once

// Memory the program has freed stays mapped by the C library for later allocations: a
// resident program that has shown many pictures would keep their size long after.
namespace freed_memory {

// Hands the free pages of the program's heaps back to the system.
void giveBack();

} // namespace freed_memory
