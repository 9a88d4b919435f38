#include "router_password.h"

#include <cstring>

#include "message_tables.h"
#include "myutil.h"

void password_proposal_open(PasswordProposal* proposal, const RouterSettings& current)
{
    if (proposal == nullptr)
        return;
    myutil_copy_text(proposal->password, current.password);
    proposal->exclusive = current.exclusive != 0;
    proposal->delete_sensitive = proposal->password[0] != '\0';
}

void password_proposal_cancel(PasswordProposal* proposal, const RouterSettings& current)
{
    password_proposal_open(proposal, current);
}

void password_proposal_delete(PasswordProposal* proposal)
{
    if (proposal == nullptr)
        return;
    proposal->password[0] = '\0';
    proposal->delete_sensitive = false;
}

int password_proposal_confirm(PasswordProposal* proposal, const char* typed, const char* repeated)
{
    if (proposal == nullptr || typed == nullptr || repeated == nullptr ||
        std::strcmp(typed, repeated) != 0 || std::strlen(typed) > static_cast<size_t>(PASSWORD_LEN))
        return MSG_PASSWORDS_DIFFER;
    myutil_copy_text(proposal->password, typed);
    proposal->delete_sensitive = true;
    return 0;
}
