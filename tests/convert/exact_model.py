#!/usr/bin/env python3
"""An exact model of the conversion core, written with rational arithmetic: every extended
(64-bit significand) and double operation is rounded here by hand, to nearest with ties to
even. It generates random inputs, runs them through the real core (convert_driver) and
compares the texts character for character.

Usage: exact_model.py DRIVER [--cases N] [--seed S] [--emulator COMMAND]
COMMAND (for a driver built for another processor) is run with the driver as its argument."""
import random
import shlex
import subprocess
import sys
from fractions import Fraction

INF = "inf"


def round_binary(x, digits, min_exp, max_exp):
    """Rounds the rational x to a binary float with `digits` significand bits; min_exp is the
    exponent of the smallest normal number, max_exp that of the largest binade."""
    if x == 0:
        return x
    if x == INF or x == "-inf":
        return x
    sign = -1 if x < 0 else 1
    a = -x if x < 0 else x
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    while Fraction(2) ** (e + 1) <= a:
        e += 1
    q_exp = max(e, min_exp) - (digits - 1)
    q = Fraction(2) ** q_exp
    n = a / q
    fl = n.numerator // n.denominator
    rem = n - fl
    if rem > Fraction(1, 2) or (rem == Fraction(1, 2) and fl % 2 == 1):
        fl += 1
    r = fl * q
    if r >= Fraction(2) ** (max_exp + 1):
        return INF if sign > 0 else "-inf"
    return sign * r


def ext(x):
    return round_binary(x, 64, -16382, 16383)


def dbl(x):
    return round_binary(x, 53, -1022, 1023)


def is_inf(x):
    return isinstance(x, str)


def mul(a, b):
    if is_inf(a):
        return a if b > 0 else ("-inf" if a == INF else INF)
    return ext(a * b)


def div(a, b):
    if is_inf(a):
        return a
    return ext(a / b)


def add(a, b):
    if is_inf(a):
        return a
    return ext(a + b)


S = [ext(Fraction(10) ** k) for k in range(32)]
M = [ext(Fraction(10) ** (32 * j)) for j in range(16)]
L = [ext(Fraction(10) ** (512 * k)) for k in range(10)]


def scale(x, n):
    if n == 0:
        return x
    if n <= -5120:
        return Fraction(0)
    # Up by products, down by quotients, of the same three tables' powers.
    step, a = (mul, n) if n > 0 else (div, -n)
    x = step(x, S[a % 32])
    m = a // 32
    if m % 16:
        x = step(x, M[m % 16])
    if m // 16:
        x = step(x, L[m // 16])
    return x


class Invalid(Exception):
    pass


class Overflow(Exception):
    pass


def parse(text, mark):
    b = text.encode("utf-8")
    i = 0
    v = Fraction(0)
    while i < len(b) and b[i] == 0x20:
        i += 1
    neg = False
    if i < len(b) and b[i] in b"+-":
        neg = b[i] == ord("-")
        i += 1
    consumed = False
    while i < len(b) and 0x30 <= b[i] <= 0x39:
        v = add(mul(v, 10), b[i] - 0x30)
        i += 1
        consumed = True
    F = 0
    if i < len(b) and b[i] == ord(mark):
        i += 1
        consumed = True
        while i < len(b) and 0x30 <= b[i] <= 0x39:
            v = add(mul(v, 10), b[i] - 0x30)
            F += 1
            i += 1
    if not consumed:
        raise Invalid
    X = 0
    if i < len(b) and b[i] in b"eE":
        i += 1
        eneg = False
        if i < len(b) and b[i] in b"+-":
            eneg = b[i] == ord("-")
            i += 1
        while i < len(b) and 0x30 <= b[i] <= 0x39:
            X = X * 10 + b[i] - 0x30
            i += 1
            if X >= 500:
                break
        if eneg:
            X = -X
    while i < len(b) and b[i] == 0x20:
        i += 1
    if i != len(b):
        raise Invalid
    overflowed = is_inf(v)
    v = scale(v, X - F)
    if is_inf(v) or overflowed:
        raise Invalid
    return (-v if neg else v), neg


def rint(x):
    fl = x.numerator // x.denominator
    rem = x - fl
    if rem > Fraction(1, 2) or (rem == Fraction(1, 2) and fl % 2 == 1):
        fl += 1
    return Fraction(fl)


def fmt(x, mark=".", negative_zero=False):
    if x == 0:
        return "0"
    neg = x < 0
    a = -x if neg else x
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    while Fraction(2) ** (e + 1) <= a:
        e += 1
    if e < -16382:
        return "0"  # an extended subnormal
    E = ((e * 19728) >> 16) + 1
    while True:
        s = rint(scale(a, 18 - E))
        if s >= 10 ** 18:
            s = div(s, 10)
            E += 1
        s = rint(s)
        if s >= 10 ** 17:
            break
        E -= 1
    d = str(int(s))
    assert len(d) == 18
    if d[15] >= "5":
        n = int(d[:15]) + 1
        if n == 10 ** 15:
            D = "1"
            E += 1
        else:
            D = str(n).rstrip("0")
    else:
        D = d[:15].rstrip("0")
    out = "-" if neg else ""
    if E > 15 or E < -3:
        out += D[0]
        if len(D) > 1:
            out += mark + D[1:]
        out += "E" + str(E - 1)
    elif E <= 0:
        out += "0" + mark + "0" * (-E) + D
    else:
        if len(D) <= E:
            out += D + "0" * (E - len(D))
        else:
            out += D[:E] + mark + D[E:]
    return out


def lit(s):
    return ext(Fraction(s))


RI = ext(Fraction("0.0002546"))
RI = RI + Fraction(1, 2 ** 75)  # one unit in the last place above the nearest value
assert RI == Fraction(0x857BD56374439EBC, 2 ** 75), RI

# (rule, factor): "same", "mul" (base = value × K), "div" (base = value ÷ K).
TABLES = [
    [("same", 1), ("div", 100), ("mul", 1000), ("div", lit("39.37")), ("div", lit("3.2809")),
     ("div", lit("1.0936")), ("div", lit("3.3")), ("div", lit("0.55")), ("div", RI),
     ("div", lit("2.64")), ("mul", lit("1852.18")), ("mul", lit("1609.34"))],
    [("same", 1), ("div", 1000), ("mul", 1000), ("div", lit("35.273")), ("div", lit("2.2046")),
     ("div", lit("0.0009")), ("div", lit("0.0011")), ("div", lit("266.66667")),
     ("div", lit("0.2666667")), ("div", lit("1.6666667"))],
    [("same", 1), ("div", 1000000), ("div", 1000), ("div", lit("264.18")), ("div", lit("5543.52")),
     ("div", lit("554.352")), ("div", lit("5.54352")), ("div", lit("6.2919"))],
    [("same", 1), ("mul", 1000000), ("mul", 100), ("mul", 10000), ("div", lit("1.19599005")),
     ("mul", lit("3.30579")), ("mul", lit("991.7355")), ("mul", lit("9917.3354")),
     ("mul", lit("4046.8"))],
]
K59 = lit("0.55555555555555555556")
K18 = lit("1.8")


def store_double(v):
    d = dbl(v)
    if is_inf(d):
        raise Overflow
    return d


def convert(page, frm, to, text, mark):
    if text == "":
        return "<none>"
    try:
        v, neg = parse(text, mark)
        inp = store_double(v)
        if page == 4:
            if frm == 1 and to == 1:
                return fmt(inp, mark)
            base = inp if frm == 0 else store_double(mul(add(inp, -32), K59))
            res = base if to == 0 else add(mul(base, K18), 32)
            return fmt(res, mark) if not is_inf(res) else ("INF" if res == INF else "-INF")
        if inp == 0:
            return "0"
        rule, k = TABLES[page][frm]
        base = inp if rule == "same" else store_double(mul(inp, k) if rule == "mul" else div(inp, k))
        rule, k = TABLES[page][to]
        res = base if rule == "same" else (div(base, k) if rule == "mul" else mul(base, k))
        if is_inf(res):
            return "INF" if res == INF else "-INF"
        return fmt(res, mark)
    except Invalid:
        return "!invalid"
    except Overflow:
        return "!overflow"


def random_text(rng, mark):
    kind = rng.random()
    digits = lambda n: "".join(rng.choice("0123456789") for _ in range(n))
    if kind < 0.35:  # ordinary decimals
        t = digits(rng.randint(1, 8))
        if rng.random() < 0.7:
            t += mark + digits(rng.randint(0, 10))
    elif kind < 0.6:  # long mantissas
        t = digits(rng.randint(1, 25)) + mark + digits(rng.randint(0, 25))
    elif kind < 0.9:  # exponents across the whole range
        t = digits(rng.randint(1, 20))
        if rng.random() < 0.5:
            t += mark + digits(rng.randint(0, 20))
        t += rng.choice("eE") + rng.choice(["", "+", "-"]) + str(rng.randint(0, 5100))
    else:  # odd shapes
        t = rng.choice(["", " ", "  "]) + rng.choice(["", "+", "-"]) + rng.choice(
            [mark, digits(3), digits(2) + mark, mark + digits(2), "x", "1" + mark + mark]) + \
            rng.choice(["", "e", "e-", "E+3", " ", "\t", "e00000000000000001"])
    if rng.random() < 0.3:
        t = "-" + t
    return t


def random_pattern(rng):
    kind = rng.random()
    if kind < 0.25:  # a few units in the last place around a power of ten
        k = rng.randint(-4931, 4931)
        x = ext(Fraction(10) ** k)
        e = x.numerator.bit_length() - x.denominator.bit_length()
        ulp = Fraction(2) ** (e - 64)
        x = x + rng.randint(-3, 3) * ulp
        return -x if rng.random() < 0.5 else x
    if kind < 0.4:  # sixteen-digit decimals ending in 5: the half-up digit rounding
        digits = rng.randint(10 ** 15, 10 ** 16 - 1) // 10 * 10 + 5
        x = ext(Fraction(digits) * Fraction(10) ** rng.randint(-30, 30))
        return -x if rng.random() < 0.5 else x
    if kind < 0.65:  # doubles of every magnitude
        e = rng.randint(-1074, 1023)
        m = rng.getrandbits(53) | (1 << 52)
        x = Fraction(m) * Fraction(2) ** (e - 52)
    else:  # extended values of every magnitude
        e = rng.randint(-16382, 16383)
        m = rng.getrandbits(64) | (1 << 63)
        x = Fraction(m) * Fraction(2) ** (e - 63)
    if rng.random() < 0.5:
        x = -x
    x = ext(x)
    return x


def pattern_hex(x):
    sign = 0x8000 if x < 0 else 0
    a = -x if x < 0 else x
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    while Fraction(2) ** (e + 1) <= a:
        e += 1
    if e < -16382:  # subnormal
        m = int(a * Fraction(2) ** (16382 + 63))
        return f"{sign:04X}{m:016X}"
    m = int(a / Fraction(2) ** (e - 63))
    return f"{sign | (e + 16383):04X}{m:016X}"


def main():
    driver = sys.argv[1]
    cases = 6000
    seed = 20261209
    emulator = []
    args = sys.argv[2:]
    for i, a in enumerate(args):
        if a == "--cases":
            cases = int(args[i + 1])
        if a == "--seed":
            seed = int(args[i + 1])
        if a == "--emulator":
            emulator = shlex.split(args[i + 1])
    rng = random.Random(seed)
    sizes = [12, 10, 8, 9, 2]
    requests, expected = [], []
    for _ in range(cases):
        if rng.random() < 0.25:
            x = random_pattern(rng)
            requests.append("F " + pattern_hex(x))
            expected.append(fmt(x))
            continue
        page = rng.randrange(5)
        frm, to = rng.randrange(sizes[page]), rng.randrange(sizes[page])
        mark = "." if rng.random() < 0.8 else ","
        text = random_text(rng, mark)
        requests.append(f"C {page} {frm} {to} {mark} {text}")
        expected.append(convert(page, frm, to, text, mark))
    proc = subprocess.run(emulator + [driver], input="\n".join(requests) + "\n", capture_output=True,
                          text=True, check=True)
    got = proc.stdout.split("\n")[:-1]
    failures = 0
    for req, exp, g in zip(requests, expected, got):
        if exp != g:
            failures += 1
            if failures <= 20:
                print(f"MISMATCH {req!r}: model {exp!r}, core {g!r}")
    if len(got) != len(requests):
        print(f"driver answered {len(got)} of {len(requests)} requests")
        failures += 1
    print(f"{len(requests) - failures} passed, {failures} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
