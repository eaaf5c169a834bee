#pragma once

// The numbers of the errors the component raises. Where the host's runtime or its database API
// had a number for the same failure, the component uses that one, so that a host's handler
// that tests the number keeps working.
namespace kema::errors {

enum Number : long {
    // The host runtime's.
    Overflow = 6,
    TypeMismatch = 13,
    FileAccess = 75,
    ObjectNotSet = 91,  // a step without its connection or component
    CannotCreate = 429, // no class for that programmatic identifier or report name
    NoSuchMember = 438,
    Unhandled = 440, // an error an event did not handle
    InvalidPropertyUse = 450,
    Printer = 482,

    // The database API's.
    NoCurrentRecord = 3021,
    ItemNotFound = 3265,
    ObjectClosed = 3704,
    ConnectionClosed = 3709,

    // The component's own.
    Layout = 1001,
    Font = 1002,
    Control = 1003,
    NoDisplay = 1004,
    NoGuiApplication = 1005,
};

} // namespace kema::errors
