// The number that names every shape of the package (the "_x0000_s" ids), kept as its
// decimal text, at least four digits with leading zeros, and counted up in that text:
// most steps change the last digit only, and no number is formatted per shape.
#pragma once

#include <string_view>

#include "writer/ShortText.h"

class ShapeNumber {
  public:
    ShapeNumber();

    // The digits, in a block the output copies whole.
    const ShortText& Text() const { return text; }
    // Counts up by one.
    void Next() {
        char* digit = text.bytes + text.size - 1;
        if (*digit != '9') {
            ++*digit;
            return;
        }
        Carry(digit);
    }

  private:
    // Next for a last digit 9: the nines turn to zeros and the digit before them goes
    // up, or a new leading 1 lengthens the number.
    void Carry(char* digit);

    ShortText text;
};
