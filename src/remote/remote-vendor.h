// The vendor "velmora-plugin" in obs-websocket, reached only through the
// host's procedure handlers: obs-websocket is optional and not linked.
#pragma once

// Registers the vendor and its requests when obs-websocket is loaded. Call
// after every module has loaded (obs-websocket publishes its handler in its
// own load). Without obs-websocket it does nothing and logs at debug level.
void remote_vendor_register(void);

// Takes the requests back, while obs-websocket is still loaded.
void remote_vendor_unregister(void);
