#include "convert/x87_extended.h"

namespace x87 {

void SetArithmeticEnvironment() {
    asm volatile("fninit" ::: "memory");
    // fninit loads this very word; it is loaded again so that the working word is stated here
    // and not left to the reset's default (deleting the load changes nothing).
    SetControlWord(kWorkingControlWord); // mutate: skip DEL
}

} // namespace x87
