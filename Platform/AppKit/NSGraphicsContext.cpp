#include "Platform/AppKit/NSGraphicsContext.h"

namespace {

NSGraphicsContext* currentContext = nullptr;

}  // namespace

NSGraphicsContext* NSGraphicsContext::current()
{
    return currentContext;
}

NSGraphicsContext::Scope::Scope(NSGraphicsContext& context)
    : m_previous(currentContext)
{
    currentContext = &context;
}

NSGraphicsContext::Scope::~Scope()
{
    currentContext = m_previous;
}
