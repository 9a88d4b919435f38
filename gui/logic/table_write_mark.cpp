#include "table_write_mark.h"

namespace {

bool unfinished = false;

}  // namespace

void table_write_started()
{
    unfinished = true;
}

void table_write_done()
{
    unfinished = false;
}

bool table_write_unfinished()
{
    return unfinished;
}
