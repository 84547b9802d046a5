#pragma once

#include <initializer_list>

#include <QString>

// How many characters the text columns the saves write may hold. PostgreSQL refuses more with
// its own words, SQLite would store anything: every save checks here first, so both engines
// refuse the same texts in words a cashier reads, naming the field to shorten.
class TextLimits
{
public:
    // One text about to be written: its table and column, and the field it was typed in.
    struct Text
    {
        const QString &value;
        const char *column; // "VipOrder.FOwner"
        const char *field;  // objectName of the control
    };

    // The column's length in characters (255 for every text column of the shop's tables).
    static int of(const QString &column);
    // "输入的内容太长（最多255个字）！"
    static QString message(int max);
    // Throws a CoreError refusal naming the field of the first text that is too long.
    static void check(std::initializer_list<Text> texts);
};
