#include "convert/x87_extended.h"

namespace x87 {

void SetArithmeticEnvironment() {
    asm volatile("fninit" ::: "memory");
    SetControlWord(kWorkingControlWord);
}

} // namespace x87
