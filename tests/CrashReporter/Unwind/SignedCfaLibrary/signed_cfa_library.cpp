// A function whose unwind rows set the CFA with the signed operations,
// DW_CFA_def_cfa_sf and DW_CFA_def_cfa_offset_sf, whose offsets count in the
// CIE's data alignment factor (-8 on x86-64): -2 stands for rsp + 16. No
// compiler emits them, so they are written out byte for byte. It calls
// `body(argument)` with rbx and rbp saved and 32 bytes of frame in all.
asm(R"(
    .pushsection .text
    .globl tessivar_signed_cfa_call
    .type tessivar_signed_cfa_call, @function
tessivar_signed_cfa_call:
    .cfi_startproc
    pushq %rbp
    .cfi_escape 0x13, 0x7e              # DW_CFA_def_cfa_offset_sf -2: CFA = rsp + 16
    .cfi_offset %rbp, -16
    pushq %rbx
    .cfi_escape 0x12, 0x07, 0x7d        # DW_CFA_def_cfa_sf rsp, -3: CFA = rsp + 24
    .cfi_offset %rbx, -24
    subq $8, %rsp
    .cfi_escape 0x13, 0x7c              # DW_CFA_def_cfa_offset_sf -4: CFA = rsp + 32
    movq %rdi, %rax
    movq %rsi, %rdi
    callq *%rax
    addq $8, %rsp
    .cfi_escape 0x12, 0x07, 0x7d
    popq %rbx
    .cfi_escape 0x13, 0x7e
    popq %rbp
    .cfi_escape 0x13, 0x7f              # DW_CFA_def_cfa_offset_sf -1: CFA = rsp + 8
    retq
    .cfi_endproc
    .size tessivar_signed_cfa_call, .-tessivar_signed_cfa_call
    .popsection
)");
