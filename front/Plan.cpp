#include "front/Plan.h"

#include "front/Error.h"

namespace zdfront {

Consent typedConsent(const Plan& plan, const std::string& typed, bool overrideTicked)
{
    Consent consent;
    consent.confirmed = !plan.confirmationText.empty() && typed == plan.confirmationText;
    consent.overridden = overrideTicked;
    return consent;
}

void requireConsent(const Plan& plan, const Consent& consent)
{
    if (plan.needsConfirmation && !consent.confirmed)
        throw Error(ErrorKind::Usage, "refusing to " + plan.action + " without confirmation");
    if (plan.override != Override::None && !consent.overridden)
        throw Error(ErrorKind::Usage, "refusing to " + plan.action + ": " + plan.overrideReason);
}

}  // namespace zdfront
