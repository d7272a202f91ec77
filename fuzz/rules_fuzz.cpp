// The rules' properties (tests/properties/rules_properties.h) on every board the fuzzer makes.
#include "fuzz/fuzz_case.h"
#include "tests/properties/rules_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzCheck(BrokenRulesProperty(DecodeFuzzCase(data, size).board));
    return 0;
}
