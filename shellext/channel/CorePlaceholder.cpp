void pellicor_core_placeholder() {}
