#include "ProcessCard.h"

namespace veyra::devlink {

namespace {

card::CardState NewProcessState()
{
    card::CardState state{};
    card::CardInfoTableInitialize(state);
    return state;
}

} // namespace

card::CardModel &ProcessCard()
{
    // Static storage: the model of the process cannot fail to come into being.
    static card::CardState state = NewProcessState();
    static card::CardModel model(state);
    return model;
}

} // namespace veyra::devlink
