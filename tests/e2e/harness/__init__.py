"""End-to-end harness: drives the real quillnest binary on its own X display."""
