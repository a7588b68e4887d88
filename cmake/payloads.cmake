# Placeholder until the payload pipeline lands: no payloads embedded.
add_custom_target(quillon_payloads)
set(QUILLON_PAYLOAD_RC "")
