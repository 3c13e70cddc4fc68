#pragma once
// Which vector instructions the processor offers, asked once. The extreme
// loops keep a plain path for every processor and take a wider one where it
// exists; both give the same results, and tests compare them on one machine
// by turning the wider one off.
#if defined(__x86_64__) || defined(__i386__)
#define QV_WF_X86 1
#include <immintrin.h>
#endif

bool HasAvx2();
// On by default; off, HasAvx2() answers false.
void AllowWideVectors(bool allow);
