#include "front/Plan.h"

#include "front/Error.h"

namespace zdfront {

void requireConsent(const Plan& plan, const Consent& consent)
{
    if (plan.needsConfirmation && !consent.confirmed)
        throw Error(ErrorKind::Usage, "refusing to " + plan.action + " without confirmation");
    if (plan.override != Override::None && !consent.overridden)
        throw Error(ErrorKind::Usage, "refusing to " + plan.action + ": " + plan.overrideReason);
}

}  // namespace zdfront
