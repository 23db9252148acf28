#pragma once
// Placeholder: the card model's class; see its issue.
