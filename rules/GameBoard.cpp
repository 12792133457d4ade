// The rules library; filled by the board and move rules.
