// Boards written as pictures in tests: eight rows of eight characters, top row first.
// 'R' is a red disc, 'B' a blue disc, '.' an empty square; blanks are ignored.
#pragma once

#include <string>

#include "rules/board.h"

Board BoardFromDiagram(const char* picture);
std::string DiagramFromBoard(const Board& board);
