// The one way out of the installer. The stops of start-up, a confirmed cancel and the end of the
// page loop all come through here, so every way out releases the same things.
#pragma once

// Releases everything the toolkit, the probes and the services hold; exits with code 0.
[[noreturn]] void shutdown_and_exit();
