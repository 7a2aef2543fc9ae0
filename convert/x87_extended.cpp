#include "convert/x87_extended.h"

#include <fpu_control.h>

namespace x87 {

namespace {

// 64-bit precision, round to nearest even, all six exceptions masked.
constexpr fpu_control_t kWorkingControlWord = 0x037F;

} // namespace

void SetArithmeticEnvironment() {
    asm volatile("fninit" ::: "memory");
    fpu_control_t word = kWorkingControlWord;
    _FPU_SETCW(word);
}

} // namespace x87
