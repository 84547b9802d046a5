#pragma once

#include <QString>

// Who is logged in and where: filled once at start-up, read by every screen afterwards.
struct Session
{
    int UserID = 0;
    QString UserName;
    QString acctname;
    QString Cnstr;
    QString MasterPromptString;
    int RetailPriceStyleID = 0; // set by the main window's load from the "零售价" style

    static Session &current();
};
