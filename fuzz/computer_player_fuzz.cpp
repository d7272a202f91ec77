// The computer player's properties (tests/properties/computer_player_properties.h) on every board,
// side, phase and search mode the fuzzer makes.
#include "tests/properties/computer_player_properties.h"
#include "fuzz/fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzCase input = DecodeFuzzCase(data, size);
    // Not const: the player must leave it as it is by itself.
    Board board = input.board;
    ChoiceMade choice;
    FuzzCheck(
        BrokenChoiceProperty(board, input.side, input.mode, input.move_count, input.seed, choice));
    FuzzCheck(BrokenModeFiveProperty(board, input.column, input.row, input.side, input.mode,
                                     input.move_count, input.seed));
    return 0;
}
