#include "core/frame/Session.h"

Session &Session::current()
{
    static Session session;
    return session;
}
