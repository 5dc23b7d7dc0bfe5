// Which vector instructions the processor running us has, for the code
// paths chosen at run time. Each is asked of the processor once.
#ifndef VOK_COMMON_PROCESSOR_FEATURES_H_
#define VOK_COMMON_PROCESSOR_FEATURES_H_

// 1 where the build can hold x86 vector code (GCC or clang on x86-64): such
// paths are compiled, and chosen at run time from the answers below.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VOK_X86_VECTORS 1
#else
#define VOK_X86_VECTORS 0
#endif

namespace vok {

// All false where VOK_X86_VECTORS is 0.
bool processorHasAvx2();
bool processorHasAvx512();      // F and BW
bool processorHasAvx512Vbmi();  // F, BW and VBMI

}  // namespace vok

#endif  // VOK_COMMON_PROCESSOR_FEATURES_H_
