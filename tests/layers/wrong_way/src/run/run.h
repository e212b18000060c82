// The run layer.
