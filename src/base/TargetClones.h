#pragma once
// QVX_TARGET_CLONES before a function with hot loops: on CPUs with AVX-512,
// or with AVX2 and FMA, another build of it is chosen at load time (the
// processor is asked once; other CPUs run the baseline build). Not with the
// sanitizers, whose instrumentation does not mix with it, nor with clang.
// QVX_TARGET_CLONES_ACTIVE says whether the clones are made.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define QVX_TARGET_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#define QVX_TARGET_CLONES_ACTIVE 1
#else
#define QVX_TARGET_CLONES
#define QVX_TARGET_CLONES_ACTIVE 0
#endif
